// The hostile client: seeded random calls of every Host member through IDispatch::Invoke, each checked.
//   hostile_client in-process SEED CALLS [--type-lies]
//                                                 the Host object of this process (CreateHostObject);
//                                                 with arrays whose VARIANT lies about their element type
//   hostile_client probe-marshaling PROGID        what Wine's marshaling changes (the comparison's known
//   gaps) hostile_client probe-long-length COUNT        how long the host reads an object of a large `length`
//   hostile_client local-server PROGID SEED CALLS the same calls to the local server and to an object in
//                                                 process: both must answer alike
// After every call: Invoke answered S_OK or one of the documented errors, with EXCEPINFO filled (scode,
// source, description) on DISP_E_EXCEPTION; the arguments are as they were (Move's moved numbers aside);
// our objects hold the references they held; a few calls whose answer is known by construction got it
// (a list with a hole refused, numbers coming back as sent, a wrong count or a named argument refused).
// No call may take longer than callBound: a watchdog ends the run and names the call. In process, the
// blocks the platform allocates through COM's allocator (BSTRs, SAFEARRAYs) are counted: none may be left
// over by the run. The closing line gives the figures; "0 failed" is what the ctest test matches.
#include "Arguments.h"
#include "HostObject.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace Hostile;

namespace {

// Far above any call seen (milliseconds in process, tens of them out of process, on a loaded machine):
// what exceeds it is a hang.
constexpr double callBound = 10.0;

struct Member {
    const wchar_t* name;
    UINT fewest;
    UINT most;
    bool method;
    DISPID id = DISPID_UNKNOWN;
};

enum class Oracle { None, Refusal, RoundTrip, BadCount, NoNamed, NotFound };

struct Plan {
    std::size_t member = 0; // index into the members, or SIZE_MAX for an unknown DISPID
    DISPID id = DISPID_UNKNOWN;
    WORD flags = DISPATCH_METHOD;
    bool wrongInterface = false;
    std::vector<DISPID> named;
    bool wantResult = true;
    bool wantException = true;
    bool wantArgumentError = true;
    Oracle oracle = Oracle::None;
    std::vector<double> sent; // RoundTrip: what must come back
};

std::vector<Member> Members(IDispatch& host) {
    std::vector<Member> members = {{L"Points", 1, 2, true},
                                   {L"Move", 4, 4, true},
                                   {L"Numbers", 1, 1, true},
                                   {L"Integers", 1, 1, true},
                                   {L"Flags", 1, 1, true},
                                   {L"Texts", 1, 1, true},
                                   {L"Values", 1, 1, true},
                                   {L"Font", 1, 1, true},
                                   {L"LastCallSeconds", 0, 0, false},
                                   {L"LastLibrarySeconds", 0, 0, false}};
    for (Member& member : members)
        member.id = MemberId(host, member.name);
    return members;
}

bool IsList(const Member& member) {
    return member.method && std::wcscmp(member.name, L"Move") != 0 && std::wcscmp(member.name, L"Font") != 0;
}

// A list of finite doubles as VT_ARRAY|VT_R8, whose numbers must come back as they went. The library
// counts a list as cElements minus its lower bound: from lower bound 1, the last number stays behind.
void RoundTripList(Random& random, VARIANT& value, std::vector<double>& sent) {
    const ULONG count = random.Below(10);
    const LONG lower = random.Percent(70) ? 0 : 1;
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, lower, count);
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (ULONG index = 0; index < count; ++index) {
        const double number =
            static_cast<double>(static_cast<std::int64_t>(random.Below(200001)) - 100000) / 64;
        static_cast<double*>(data)[index] = number;
        if (index + lower < count)
            sent.push_back(number);
    }
    SafeArrayUnaccessData(array);
    value.vt = VT_ARRAY | VT_R8;
    value.parray = array;
}

// One call: its member, flags, arguments. The same random state gives the same call, to whichever host.
Plan Generate(Random& random, Arena& arena, const std::vector<Member>& members, Reach reach) {
    Plan plan;
    const std::uint32_t kind = random.Below(100);
    if (kind < 4) {
        constexpr DISPID unknown[] = {0, DISPID_UNKNOWN, 9999, DISPID_NEWENUM, 50, DISPID_VALUE};
        plan.member = SIZE_MAX;
        plan.id = random.Pick(unknown);
        plan.oracle = Oracle::NotFound;
        for (VARIANT& argument : arena.Arguments(random.Below(3)))
            arena.Any(argument);
        return plan;
    }
    plan.member = random.Below(static_cast<std::uint32_t>(members.size()));
    const Member& member = members[plan.member];
    plan.id = member.id;
    if (reach == Reach::InProcess) {
        plan.wantResult = random.Percent(90);
        plan.wantException = random.Percent(85);
        plan.wantArgumentError = random.Percent(50);
    }
    if (kind < 14 && IsList(member)) {
        // A list with a hole: refused with the host's own code, whatever the rest.
        std::vector<VARIANT>& arguments = arena.Arguments(member.fewest);
        arena.ArrayWithHole(arguments[0]);
        plan.oracle = plan.wantException ? Oracle::Refusal : Oracle::None;
        return plan;
    }
    if (kind < 24 && std::wcscmp(member.name, L"Numbers") == 0) {
        std::vector<VARIANT>& arguments = arena.Arguments(1);
        RoundTripList(random, arguments[0], plan.sent);
        plan.oracle = plan.wantResult ? Oracle::RoundTrip : Oracle::None;
        return plan;
    }
    // Any flags, any count, named arguments now and then.
    const std::uint32_t flagsKind = random.Below(100);
    plan.flags = flagsKind < 75   ? DISPATCH_METHOD
                 : flagsKind < 85 ? static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET)
                 : flagsKind < 92 ? static_cast<WORD>(DISPATCH_PROPERTYGET)
                                  : static_cast<WORD>(random.Below(16));
    plan.wrongInterface = random.Percent(2);
    UINT count =
        random.Percent(85) ? member.fewest + random.Below(member.most - member.fewest + 1) : random.Below(7);
    std::vector<VARIANT>& arguments = arena.Arguments(count);
    if (random.Percent(6) && count > 0) {
        constexpr DISPID names[] = {DISPID_PROPERTYPUT, 0, 1, 7};
        const UINT named = 1 + random.Below(std::min<UINT>(count, 2));
        for (UINT index = 0; index < named; ++index)
            plan.named.push_back(random.Pick(names));
    }
    for (std::size_t position = 0; position < count; ++position) {
        VARIANT& argument = arguments[position];
        if (random.Percent(50)) {
            arena.Any(argument);
            continue;
        }
        // The form the member reads there, mostly well made.
        const std::wstring name = member.name;
        if (name == L"Move")
            position == 0 ? arena.Variable(argument, 3 * random.Below(4)) : arena.Number(argument);
        else if (name == L"Points")
            arena.NumberList(argument,
                             position == 0 ? 3 * random.Below(5) + (random.Percent(5) ? 1 : 0)
                                           : (random.Percent(90) ? 16 : 15),
                             true);
        else if (name == L"Texts")
            arena.TextList(argument);
        else if (name == L"Font")
            arena.FontList(argument);
        else
            arena.NumberList(argument, random.Below(10), true);
    }
    const bool methodFlag = (plan.flags & DISPATCH_METHOD) != 0;
    if (!plan.wrongInterface && member.method && methodFlag) {
        if (!plan.named.empty() && count >= member.fewest && count <= member.most)
            plan.oracle = Oracle::NoNamed;
        else if (plan.named.empty() && (count < member.fewest || count > member.most))
            plan.oracle = Oracle::BadCount;
    }
    return plan;
}

// What one Invoke gave back, in a form to compare and to check.
struct Answer {
    HRESULT result = S_OK;
    SCODE scode = 0;
    WORD code = 0;
    std::wstring source;
    std::wstring description;
    VARIANT value{};
    std::string valueState; // kept when the value is cleared
    VARTYPE valueType = VT_EMPTY;
    std::string valueDescription;
    std::vector<std::string> argumentsAfter;
    std::string argumentsDescribed;
    double seconds = 0;

    Answer() { VariantInit(&value); }
    ~Answer() { VariantClear(&value); }
    Answer(const Answer&) = delete;
    Answer& operator=(const Answer&) = delete;
};

// The call in flight, for the watchdog and the crash report.
std::atomic<double> callStarted{0};
std::atomic<std::uint64_t> callNumber{0};
std::uint64_t runSeed = 0;
std::string callDescribed; // for the crash report

std::wstring Text(BSTR text) {
    return text != nullptr ? std::wstring(text, SysStringLen(text)) : L"<null>";
}

std::vector<std::string> ArgumentStates(const std::vector<VARIANT>& arguments, bool identities, bool moves) {
    std::vector<std::string> states;
    for (std::size_t index = 0; index < arguments.size(); ++index)
        states.push_back(Snapshot(arguments[index], identities, !(moves && index == 0)));
    return states;
}

void Call(IDispatch& host, const Plan& plan, std::vector<VARIANT>& arguments, bool moves, bool identities,
          Answer& answer) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    std::vector<DISPID> named = plan.named;
    DISPPARAMS parameters{reversed.empty() ? nullptr : reversed.data(),
                          named.empty() ? nullptr : named.data(), static_cast<UINT>(reversed.size()),
                          static_cast<UINT>(named.size())};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    callStarted = Now();
    const double started = callStarted;
    answer.result = host.Invoke(plan.id, plan.wrongInterface ? IID_IDispatch : IID_NULL, LOCALE_USER_DEFAULT,
                                plan.flags, &parameters, plan.wantResult ? &answer.value : nullptr,
                                plan.wantException ? &exception : nullptr,
                                plan.wantArgumentError ? &argumentError : nullptr);
    answer.seconds = Now() - started;
    callStarted = 0;
    if (exception.pfnDeferredFillIn != nullptr)
        exception.pfnDeferredFillIn(&exception);
    answer.scode = exception.scode;
    answer.code = exception.wCode;
    answer.source = exception.bstrSource != nullptr ? Text(exception.bstrSource) : L"";
    answer.description = exception.bstrDescription != nullptr ? Text(exception.bstrDescription) : L"";
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    // What the host saw is what must be unchanged: the DISPPARAMS' own copies.
    std::vector<VARIANT> seen(reversed.rbegin(), reversed.rend());
    answer.argumentsAfter = ArgumentStates(seen, identities, moves);
    for (const VARIANT& argument : seen)
        answer.argumentsDescribed += DescribeDeep(argument) + "; ";
}

class Checker {
public:
    void Fail(const std::string& what) {
        ++failed_;
        if (failed_ <= 20)
            std::printf("FAIL call %llu (seed %llu): %s\n",
                        static_cast<unsigned long long>(callNumber.load()),
                        static_cast<unsigned long long>(runSeed), what.c_str());
    }
    std::size_t Failed() const { return failed_; }

    void Check(const Plan& plan, const std::vector<Member>& members, const Answer& answer,
               const std::vector<std::string>& before, const std::string& described,
               bool argumentsMayChange) {
        const HRESULT result = answer.result;
        const bool documented = result == S_OK || result == DISP_E_EXCEPTION || result == E_OUTOFMEMORY ||
                                result == DISP_E_BADPARAMCOUNT || result == DISP_E_NONAMEDARGS ||
                                result == DISP_E_MEMBERNOTFOUND || result == DISP_E_UNKNOWNINTERFACE ||
                                (!plan.wantException && FAILED(result) && result != DISP_E_EXCEPTION);
        char text[160];
        if (!documented) {
            std::snprintf(text, sizeof(text), "undocumented answer 0x%08lX",
                          static_cast<unsigned long>(result));
            Fail(text + described);
        }
        if (result == DISP_E_EXCEPTION && (!FAILED(answer.scode) || answer.code != 0 ||
                                           answer.source.empty() || answer.description.empty())) {
            std::snprintf(text, sizeof(text),
                          "DISP_E_EXCEPTION with EXCEPINFO scode 0x%08lX wCode %u, source %s, %s",
                          static_cast<unsigned long>(answer.scode), answer.code,
                          answer.source.empty() ? "empty" : "set",
                          answer.description.empty() ? "no description" : "described");
            Fail(text + described);
        }
        if (answer.argumentsAfter != before && !argumentsMayChange)
            Fail("an argument changed" + described + "\n    after: " + answer.argumentsDescribed);
        if (answer.seconds > worst_)
            worst_ = answer.seconds;
        seconds_.push_back(answer.seconds);
        if (result == S_OK && plan.wantResult && plan.member != SIZE_MAX)
            CheckValue(members[plan.member], answer.value, described);
        switch (plan.oracle) {
        case Oracle::Refusal:
            if (result != DISP_E_EXCEPTION || answer.scode != hostRefusal) {
                std::snprintf(text, sizeof(text),
                              "a list with a hole: 0x%08lX scode 0x%08lX, expected the refusal 0x%08lX",
                              static_cast<unsigned long>(result), static_cast<unsigned long>(answer.scode),
                              static_cast<unsigned long>(hostRefusal));
                Fail(text + described);
            }
            break;
        case Oracle::RoundTrip:
            CheckRoundTrip(plan, answer, described);
            break;
        case Oracle::BadCount:
        case Oracle::NoNamed:
        case Oracle::NotFound:
            CheckDispatchRefusal(plan.oracle, result, described);
            break;
        case Oracle::None:
            break;
        }
    }

    double Worst() const { return worst_; }
    double Percentile(double fraction) {
        if (seconds_.empty())
            return 0;
        std::sort(seconds_.begin(), seconds_.end());
        return seconds_[static_cast<std::size_t>(fraction * static_cast<double>(seconds_.size() - 1))];
    }

private:
    // A method answers a one-dimensional VT_ARRAY|VT_VARIANT from 0, unlocked; Move nothing; a property a
    // time.
    void CheckValue(const Member& member, const VARIANT& value, const std::string& described) {
        if (!member.method) {
            if (value.vt != VT_R8 || !(value.dblVal >= 0) || !std::isfinite(value.dblVal))
                Fail("a time that is no non-negative number" + described);
            return;
        }
        if (std::wcscmp(member.name, L"Move") == 0) {
            if (value.vt != VT_EMPTY)
                Fail("Move answered a value" + described);
            return;
        }
        LONG lower = -1;
        if (value.vt != (VT_ARRAY | VT_VARIANT) || value.parray == nullptr ||
            SafeArrayGetDim(value.parray) != 1 || FAILED(SafeArrayGetLBound(value.parray, 1, &lower)) ||
            lower != 0 || value.parray->cLocks != 0)
            Fail("an answer that is no unlocked one-dimensional VARIANT array from 0: " + Describe(value) +
                 described);
    }

    // A malformed call is refused by IDispatch's own error for it.
    void CheckDispatchRefusal(Oracle oracle, HRESULT result, const std::string& described) {
        struct Refusal {
            Oracle oracle;
            HRESULT result;
            const char* call;
        };
        static constexpr Refusal refusals[] = {
            {Oracle::BadCount, DISP_E_BADPARAMCOUNT, "a wrong count not refused with DISP_E_BADPARAMCOUNT"},
            {Oracle::NoNamed, DISP_E_NONAMEDARGS, "a named argument not refused with DISP_E_NONAMEDARGS"},
            {Oracle::NotFound, DISP_E_MEMBERNOTFOUND,
             "an unknown DISPID not refused with DISP_E_MEMBERNOTFOUND"},
        };
        for (const Refusal& refusal : refusals)
            if (refusal.oracle == oracle && result != refusal.result)
                Fail(refusal.call + described);
    }
    void CheckRoundTrip(const Plan& plan, const Answer& answer, const std::string& described) {
        if (answer.result != S_OK) {
            Fail("Numbers refused a list of numbers" + described);
            return;
        }
        const VARIANT& value = answer.value;
        if (value.vt != (VT_ARRAY | VT_VARIANT) || value.parray == nullptr ||
            SafeArrayGetDim(value.parray) != 1 || value.parray->rgsabound[0].cElements != plan.sent.size()) {
            Fail("Numbers gave back " + Describe(value) + " for " + std::to_string(plan.sent.size()) +
                 " numbers" + described);
            return;
        }
        const auto* elements = static_cast<const VARIANT*>(value.parray->pvData);
        for (std::size_t index = 0; index < plan.sent.size(); ++index)
            if (elements[index].vt != VT_R8 || elements[index].dblVal != plan.sent[index]) {
                Fail("Numbers gave back another number at " + std::to_string(index) + described);
                return;
            }
    }

    std::size_t failed_ = 0;
    double worst_ = 0;
    std::vector<double> seconds_;
};

std::string DescribeCall(const Plan& plan, const std::vector<Member>& members,
                         const std::vector<VARIANT>& arguments) {
    std::string text = "\n    call: ";
    if (plan.member == SIZE_MAX)
        text += "DISPID " + std::to_string(plan.id);
    else
        for (const wchar_t* name = members[plan.member].name; *name != 0; ++name)
            text += static_cast<char>(*name);
    char flags[64];
    std::snprintf(flags, sizeof(flags), " flags 0x%X, %zu named%s (", plan.flags, plan.named.size(),
                  plan.wrongInterface ? ", wrong riid" : "");
    text += flags;
    for (const VARIANT& argument : arguments)
        text += DescribeDeep(argument) + "; ";
    return text + ")";
}

// Ends the run when a call outlasts the bound, naming it.
class Watchdog {
public:
    Watchdog()
        : thread_([this] {
              while (!stop_) {
                  Sleep(200);
                  const double started = callStarted;
                  if (started != 0 && Now() - started > callBound) {
                      std::printf("FAIL call %llu (seed %llu): a hang, no answer after %.0f s\n",
                                  static_cast<unsigned long long>(callNumber.load()),
                                  static_cast<unsigned long long>(runSeed), callBound);
                      std::fflush(stdout);
                      TerminateProcess(GetCurrentProcess(), 3);
                  }
              }
          }) {}
    ~Watchdog() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
    std::printf("FAIL call %llu (seed %llu): crash 0x%08lX at %p%s\n",
                static_cast<unsigned long long>(callNumber.load()), static_cast<unsigned long long>(runSeed),
                exception->ExceptionRecord->ExceptionCode, exception->ExceptionRecord->ExceptionAddress,
                callDescribed.c_str());
    std::fflush(stdout);
    return EXCEPTION_CONTINUE_SEARCH;
}

// One call to one host, checked; the answer stays for a comparison.
void CallAndCheck(IDispatch& host, const Plan& plan, Arena& arena, const std::vector<Member>& members,
                  Checker& checker, Reach reach, Answer& answer) {
    const bool moves = plan.member != SIZE_MAX && std::wcscmp(members[plan.member].name, L"Move") == 0;
    const std::string described = DescribeCall(plan, members, arena.Arguments());
    callDescribed = described;
    const bool identities = reach == Reach::InProcess;
    const std::vector<std::string> before = ArgumentStates(arena.Arguments(), identities, moves);
    arena.Mark();
    const auto hostCount = [&host] {
        host.AddRef();
        return host.Release();
    };
    const ULONG hostBefore = reach == Reach::InProcess ? hostCount() : 0;
    Call(host, plan, arena.Arguments(), moves, identities, answer);
    // Wine's marshaling rounds an odd BSTR up, also one handed back by reference: a known platform gap.
    checker.Check(plan, members, answer, before, described,
                  reach == Reach::CrossProcess && arena.HasOddText());
    // An answer may hold the caller's objects (Values gives them back): counted once it is gone.
    answer.valueState = Snapshot(answer.value, false);
    answer.valueType = answer.value.vt;
    answer.valueDescription = DescribeDeep(answer.value);
    VariantClear(&answer.value);
    if (reach == Reach::InProcess && hostCount() != hostBefore)
        checker.Fail("the host's own reference count changed over the call" + described);
    if (reach == Reach::InProcess && !arena.ReferencesBalanced())
        checker.Fail("the host kept or dropped a reference to an argument's object" + described);
}

void Report(const char* where, std::uint64_t calls, Checker& checker, double seconds,
            const std::string& extra) {
    std::printf("hostile client (%s): seed %llu, %llu calls in %.1f s, slowest %.2f ms, median %.3f ms, "
                "p99 %.3f ms (bound %.0f s)%s, %zu failed\n",
                where, static_cast<unsigned long long>(runSeed), static_cast<unsigned long long>(calls),
                seconds, 1000 * checker.Worst(), 1000 * checker.Percentile(0.5),
                1000 * checker.Percentile(0.99), callBound, extra.c_str(), checker.Failed());
}

int InProcess(std::uint64_t seed, std::uint64_t calls, bool typeLies) {
    Apartment apartment(COINIT_APARTMENTTHREADED);
    Reference<IDispatch> host;
    if (FAILED(CreateHostObject(host.Receive()))) {
        std::printf("FAIL: no Host object\n");
        return 1;
    }
    const std::vector<Member> members = Members(*host.Get());
    const DISPID numbersId = MemberId(*host.Get(), L"Numbers");
    AllocationCounter counter;
    if (FAILED(counter.Register())) {
        std::printf("FAIL: the allocation counter could not be registered\n");
        return 1;
    }
    Random random(seed);
    Checker checker;
    Watchdog watchdog;
    // The first calls warm the platform's caches up (fonts, conversions); the count starts after them.
    const std::uint64_t warmUp = std::min<std::uint64_t>(calls / 10, 200);
    std::unordered_map<void*, SIZE_T> baseline = counter.Blocks();
    std::size_t growing = 0;
    const double started = Now();
    for (std::uint64_t index = 0; index < calls; ++index) {
        if (index == warmUp)
            baseline = counter.Blocks();
        callNumber = index;
        const std::size_t liveBefore = counter.Live();
        std::string described;
        {
            Arena arena(random, Reach::InProcess, host.Get(), numbersId, typeLies);
            const Plan plan = Generate(random, arena, members, Reach::InProcess);
            described = DescribeCall(plan, members, arena.Arguments());
            Answer answer;
            CallAndCheck(*host.Get(), plan, arena, members, checker, Reach::InProcess, answer);
        }
        // The calls after which more blocks are live than before, for finding the one that leaks.
        if (index >= warmUp && counter.Live() > liveBefore && ++growing <= 5)
            std::printf("note: call %llu left %zu more blocks live%s\n",
                        static_cast<unsigned long long>(index), counter.Live() - liveBefore,
                        described.c_str());
    }
    const double seconds = Now() - started;
    std::size_t leaked = 0;
    for (const auto& block : counter.Blocks())
        leaked += baseline.contains(block.first) ? 0 : 1;
    if (leaked > 0)
        checker.Fail(std::to_string(leaked) +
                     " blocks of COM's allocator left over:" + counter.Describe(baseline, 8));
    Report("in process", calls, checker, seconds,
           ", " + std::to_string(leaked) + " blocks leaked (counted from call " + std::to_string(warmUp) +
               ")");
    return checker.Failed() == 0 ? 0 : 1;
}

// Whether two answers are alike: the same outcome, error and value (pointers aside).
std::string Difference(const Plan& plan, const std::vector<Member>& members, const Answer& local,
                       const Answer& remote) {
    char text[160];
    if (local.result != remote.result || local.scode != remote.scode) {
        std::snprintf(text, sizeof(text),
                      "0x%08lX (scode 0x%08lX) in process, 0x%08lX (scode 0x%08lX) from the server",
                      static_cast<unsigned long>(local.result), static_cast<unsigned long>(local.scode),
                      static_cast<unsigned long>(remote.result), static_cast<unsigned long>(remote.scode));
        return text;
    }
    if (local.description != remote.description || local.source != remote.source)
        return "another error text";
    const bool timed = plan.member != SIZE_MAX && !members[plan.member].method;
    if (timed ? local.valueType != remote.valueType : local.valueState != remote.valueState)
        return "another value: " + local.valueDescription + " in process, " + remote.valueDescription +
               " from the server";
    if (local.argumentsAfter != remote.argumentsAfter)
        return "the arguments left otherwise";
    return {};
}

int LocalServer(const wchar_t* progId, std::uint64_t seed, std::uint64_t calls) {
    // Calls back from the server (a posing array's elements) arrive on the apartment's own threads.
    Apartment apartment(COINIT_MULTITHREADED);
    Reference<IDispatch> remote;
    Reference<IDispatch> local;
    const HRESULT created = CreateServerObject(progId, remote);
    if (FAILED(created) || FAILED(CreateHostObject(local.Receive()))) {
        std::printf("FAIL: no server object (0x%08lX)\n", static_cast<unsigned long>(created));
        return 1;
    }
    const std::vector<Member> members = Members(*local.Get());
    const std::vector<Member> remoteMembers = Members(*remote.Get());
    Checker checker;
    for (std::size_t index = 0; index < members.size(); ++index)
        if (members[index].id != remoteMembers[index].id)
            checker.Fail("the server numbers its members otherwise");
    const DISPID numbersId = members[2].id;
    Random random(seed);
    Watchdog watchdog;
    std::size_t fontGaps = 0;
    std::size_t textGaps = 0;
    const double started = Now();
    for (std::uint64_t index = 0; index < calls; ++index) {
        callNumber = index;
        // The same random state makes the same call for both.
        Random copy = random;
        Arena localArena(random, Reach::CrossProcess, local.Get(), numbersId);
        const Plan plan = Generate(random, localArena, members, Reach::CrossProcess);
        Arena remoteArena(copy, Reach::CrossProcess, remote.Get(), numbersId);
        const Plan remotePlan = Generate(copy, remoteArena, members, Reach::CrossProcess);
        Answer localAnswer;
        Answer remoteAnswer;
        Checker quiet; // the object in process is checked by the in-process run
        // The answers' values are compared as snapshots taken before the reference check clears them.
        CallAndCheck(*local.Get(), plan, localArena, members, quiet, Reach::CrossProcess, localAnswer);
        CallAndCheck(*remote.Get(), remotePlan, remoteArena, members, checker, Reach::CrossProcess,
                     remoteAnswer);
        const std::string difference = Difference(plan, members, localAnswer, remoteAnswer);
        if (difference.empty())
            continue;
        // Known platform gaps, counted, not failed: Wine's font proxy hands out no font; its marshaling turns
        // a null BSTR into an empty one and rounds an odd one up.
        if (localArena.HasFont())
            ++fontGaps;
        else if (localArena.HasNullText() || localArena.HasOddText())
            ++textGaps;
        else
            checker.Fail("the server answered otherwise: " + difference +
                         DescribeCall(plan, members, localArena.Arguments()));
    }
    const double seconds = Now() - started;
    Report("local server", calls, checker, seconds,
           ", answers differing on known platform gaps: " + std::to_string(fontGaps) + " on fonts, " +
               std::to_string(textGaps) + " on null or odd BSTRs");
    return checker.Failed() == 0 ? 0 : 1;
}

// What Wine's marshaling does to three values the local-server run meets, each sent to the server's
// Values (which gives its argument back) or to Texts (which refuses all three): a null BSTR, a by-reference
// array of two dimensions, and an array of objects. Windows keeps the first two as they were and releases
// the third's elements by the time the call returns; anything else is a known platform gap (reported, the
// test skipped), a crash or no answer a failure.
int ProbeMarshaling(const wchar_t* progId) {
    TestSupport::DispatchObject element; // outlives the apartment, whose end gives up what the server kept
    Apartment apartment(COINIT_MULTITHREADED);
    Reference<IDispatch> remote;
    const HRESULT created = CreateServerObject(progId, remote);
    if (FAILED(created)) {
        std::printf("FAIL: no server object (0x%08lX)\n", static_cast<unsigned long>(created));
        return 1;
    }
    int gaps = 0;
    // A null BSTR given to Values comes back null on Windows.
    {
        VARIANT text;
        VariantInit(&text);
        text.vt = VT_BSTR;
        text.bstrVal = nullptr;
        VARIANT answer;
        VariantInit(&answer);
        const HRESULT result = CallMethod(*remote.Get(), MemberId(*remote.Get(), L"Values"), text, &answer);
        if (result != S_OK || answer.vt != (VT_ARRAY | VT_VARIANT) ||
            answer.parray->rgsabound[0].cElements != 1) {
            std::printf("FAIL: Values of a null BSTR: 0x%08lX\n", static_cast<unsigned long>(result));
            return 1;
        }
        const VARIANT& element = static_cast<const VARIANT*>(answer.parray->pvData)[0];
        if (element.vt == VT_BSTR && element.bstrVal != nullptr) {
            std::printf("known platform gap: a null BSTR reaches the server as an empty one\n");
            ++gaps;
        }
        VariantClear(&answer);
    }
    // A 2 x 3 array from bounds {1, 10} by reference comes back with the same bounds on Windows.
    {
        SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 10}};
        SAFEARRAY* grid = SafeArrayCreate(VT_I4, 2, bounds);
        VARIANT reference;
        reference.vt = VT_BYREF | VT_ARRAY | VT_I4;
        reference.pparray = &grid;
        CallMethod(*remote.Get(), MemberId(*remote.Get(), L"Texts"), reference);
        LONG lower[2] = {};
        SafeArrayGetLBound(grid, 1, &lower[0]);
        SafeArrayGetLBound(grid, 2, &lower[1]);
        if (lower[0] != 1 || lower[1] != 10) {
            std::printf("known platform gap: a by-reference 2-dimensional array comes back with lower bounds "
                        "%ld, %ld instead of 1, 10\n",
                        static_cast<long>(lower[0]), static_cast<long>(lower[1]));
            ++gaps;
        } else {
            SafeArrayDestroy(grid); // one that came back broken is left alone
        }
    }
    // An array holding one of our objects: the server's references to it end with the call.
    {
        SAFEARRAYBOUND bound{1, 0};
        SAFEARRAY* objects = SafeArrayCreate(VT_DISPATCH, 1, &bound);
        LONG first = 0;
        SafeArrayPutElement(objects, &first, &element);
        VARIANT argument;
        argument.vt = VT_ARRAY | VT_DISPATCH;
        argument.parray = objects;
        CallMethod(*remote.Get(), MemberId(*remote.Get(), L"Texts"), argument);
        SafeArrayDestroy(objects);
        if (element.references() != 1) {
            std::printf(
                "known platform gap: an object sent to the server in an array of objects keeps %ld "
                "references after the call instead of 1 (the server never releases it; sent as itself, the "
                "server's own object stays alive)\n",
                static_cast<long>(element.references()));
            ++gaps;
        }
    }
    std::printf("marshaling probe: %d known platform gaps\n", gaps);
    return gaps > 0 ? 77 : 0;
}

// How long the host takes over an object whose `length` is large and whose every element answers: the
// host reads them all, one GetIDsOfNames and one Invoke each (a hostile `length` of 2^31-1 scales it up).
int ProbeLongLength(long count) {
    Apartment apartment(COINIT_APARTMENTTHREADED);
    Reference<IDispatch> host;
    if (FAILED(CreateHostObject(host.Receive())))
        return 1;
    auto* posing = new PosingArray(PosingArray::Behaviour::OfNumbers(count), host.Get(), DISPID_UNKNOWN);
    VARIANT argument;
    argument.vt = VT_DISPATCH;
    argument.pdispVal = posing;
    VARIANT answer;
    VariantInit(&answer);
    const double started = Now();
    const HRESULT result = CallMethod(*host.Get(), MemberId(*host.Get(), L"Values"), argument, &answer);
    const double seconds = Now() - started;
    VariantClear(&answer);
    posing->Release();
    std::printf(
        "Values of an object of length %ld: 0x%08lX after %.2f s, %.2f us an element; at 2^31-1: %.0f min\n",
        count, static_cast<unsigned long>(result), seconds, 1e6 * seconds / count,
        seconds / count * 2147483647.0 / 60);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ReportCrash);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "in-process" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "--type-lies"))) {
        runSeed = std::strtoull(argv[2], nullptr, 10);
        return InProcess(runSeed, std::strtoull(argv[3], nullptr, 10), argc == 5);
    }
    if (mode == "local-server" && argc == 5) {
        runSeed = std::strtoull(argv[3], nullptr, 10);
        const std::string progId = argv[2];
        return LocalServer(std::wstring(progId.begin(), progId.end()).c_str(), runSeed,
                           std::strtoull(argv[4], nullptr, 10));
    }
    if (mode == "probe-long-length" && argc == 3)
        return ProbeLongLength(std::atol(argv[2]));
    if (mode == "probe-marshaling" && argc == 3) {
        const std::string progId = argv[2];
        return ProbeMarshaling(std::wstring(progId.begin(), progId.end()).c_str());
    }
    std::fprintf(
        stderr,
        "usage: hostile_client in-process SEED CALLS [--type-lies] | local-server PROGID SEED CALLS\n");
    return 2;
}
