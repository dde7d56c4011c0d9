#include "HostObject.h"

#include "DispatchObject.h"
#include "HostMethods.h"
#include "ServerIdentity.h"

#include <atomic>
#include <new>

namespace {

class HostObject final : public DispatchObject<HostObject> {
public:
    HostObject();

private:
    // A method of HostMethods.h, timed: the whole call and the library's share of it.
    template <HostMethod method>
    static _variant_t Timed(HostObject& host, MethodArguments arguments) {
        const Stopwatch whole;
        LibraryClock clock;
        struct Record {
            HostObject& host;
            const Stopwatch& whole;
            const LibraryClock& clock;
            ~Record() {
                host.lastCallSeconds = Stopwatch::Seconds(whole.Ticks());
                host.lastLibrarySeconds = clock.Seconds();
            }
        } record{host, whole, clock};
        return method(arguments, clock);
    }
    static _variant_t LastCallSeconds(HostObject& host, MethodArguments) {
        return host.lastCallSeconds.load();
    }
    static _variant_t LastLibrarySeconds(HostObject& host, MethodArguments) {
        return host.lastLibrarySeconds.load();
    }

    static constexpr Member members[] = {
        {L"Points", 1, MemberKind::method, 1, 2, Timed<Points>},
        {L"Move", 2, MemberKind::method, 4, 4, Timed<Move>},
        {L"Numbers", 3, MemberKind::method, 1, 1, Timed<Numbers>},
        {L"Integers", 4, MemberKind::method, 1, 1, Timed<Integers>},
        {L"Flags", 5, MemberKind::method, 1, 1, Timed<Flags>},
        {L"Texts", 6, MemberKind::method, 1, 1, Timed<Texts>},
        {L"Values", 7, MemberKind::method, 1, 1, Timed<Values>},
        {L"Font", 8, MemberKind::method, 1, 1, Timed<Font>},
        {L"LastCallSeconds", 100, MemberKind::property, 0, 0, LastCallSeconds},
        {L"LastLibrarySeconds", 101, MemberKind::property, 0, 0, LastLibrarySeconds},
    };

    std::atomic<double> lastCallSeconds{0};
    std::atomic<double> lastLibrarySeconds{0};
};

HostObject::HostObject() : DispatchObject(ServerIdentity::progId, members) {}

} // namespace

HRESULT CreateHostObject(IDispatch** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = new (std::nothrow) HostObject();
    return *object != nullptr ? S_OK : E_OUTOFMEMORY;
}
