#include "LocalServer.h"

#include "ComObject.h"
#include "ComSupport.h"
#include "HostObject.h"
#include "ServerIdentity.h"

#include <windows.h>
#include <objbase.h>
#include <rpc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

namespace AutomationHost {

namespace {

using ServerIdentity::classId;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// How long the server stays once its last client has gone. Under Wine a client whose activation is under
// way when the class object is revoked fails (CreateObject: 429); the wait lets a client that comes soon
// after the last one reuse the running server. Quitting straight from the last Release can also hang
// Wine's CoUninitialize.
constexpr milliseconds idleWait{5000};
// A server that COM started but no client ever asked for an object: it leaves after this long.
constexpr milliseconds unusedWait{10000};
// How often the server looks for clients that ended without releasing what they held.
constexpr milliseconds watchPeriod{1000};

// A client process, watched for its end: a client killed while it holds the object never releases it
// (Wine's COM never gives up a dead client's references; Windows' does only after minutes of missed pings).
// COM delivers the server's calls on its own threads in the multithreaded apartment, where a call names
// the process it came from. Unknown (0) when the platform cannot tell: such a client is never given up.
class ClientProcess {
public:
    ClientProcess() noexcept {
        unsigned long id = 0;
        if (I_RpcBindingInqLocalClientPID(nullptr, &id) == RPC_S_OK && id != GetCurrentProcessId())
            handle = OpenProcess(SYNCHRONIZE, FALSE, id);
    }
    ~ClientProcess() {
        if (handle != nullptr)
            CloseHandle(handle);
    }
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    bool Ended() const noexcept {
        return handle != nullptr && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    }

private:
    HANDLE handle = nullptr;
};

class ServedObject;

// What keeps the process serving: the objects its clients hold and their LockServer locks, each with the
// client it came from. The platform's own count follows ours: on Windows its reaching zero suspends the
// class object, so a client arriving during the idle wait gets a new server there; Wine keeps serving it
// from this one.
class Clients {
public:
    void Add(ServedObject& object) {
        const std::lock_guard lock(guard);
        objects.push_back(&object);
        CoAddRefServerProcess();
    }
    // An object given up when its client ended is no longer counted.
    void Remove(ServedObject& object) {
        const std::lock_guard lock(guard);
        const auto found = std::find(objects.begin(), objects.end(), &object);
        if (found == objects.end())
            return;
        objects.erase(found);
        Released();
    }
    void Lock() {
        auto client = std::make_unique<ClientProcess>();
        const std::lock_guard lock(guard);
        locks.push_back(std::move(client));
        CoAddRefServerProcess();
    }
    // An unlock without its lock is ignored.
    void Unlock() {
        const std::lock_guard lock(guard);
        if (locks.empty())
            return;
        locks.pop_back();
        Released();
    }
    // Whether the server may leave: no client holds anything, and none has for the idle wait (or, when
    // no client ever came, for the unused wait since the start). A client that came during the wait
    // holds the count above zero again.
    bool Finished(steady_clock::time_point started) {
        const std::lock_guard lock(guard);
        if (!objects.empty() || !locks.empty())
            return false;
        const steady_clock::time_point now = steady_clock::now();
        return lastReleased ? now - *lastReleased >= idleWait : now - started >= unusedWait;
    }
    // Gives up what clients that have ended still hold: their locks, and their objects, disconnected from
    // COM and no longer counted. An object may outlive its disconnection: Wine's marshaling keeps a
    // reference to every element of an array of interfaces a client sent, the server's own object among
    // them, and no client can release that.
    void GiveUpEnded();

private:
    void Released() {
        CoReleaseServerProcess();
        if (objects.empty() && locks.empty())
            lastReleased = steady_clock::now();
    }

    std::mutex guard;
    std::vector<ServedObject*> objects;
    std::vector<std::unique_ptr<ClientProcess>> locks;
    std::optional<steady_clock::time_point> lastReleased;
};

Clients clients;

// The object a client holds: the Host object itself behind a guard that counts the process's clients.
// The four IDispatch calls pass through untouched, so the Host object receives exactly what the
// marshaler delivered. Only IUnknown and IDispatch are answered here: a further interface handed out by
// the Host object would let a client hold it past the guard's count.
class ServedObject final : public ComObject<IDispatch> {
public:
    explicit ServedObject(IDispatchPtr host) : host_(std::move(host)) { clients.Add(*this); }
    ~ServedObject() override { clients.Remove(*this); }

    const ClientProcess& Client() const noexcept { return client_; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return host_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return host_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return host_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
        return host_->Invoke(id, iid, locale, flags, parameters, result, exception, argumentError);
    }

private:
    IDispatchPtr host_;
    ClientProcess client_; // the process that asked for the object
};

void Clients::GiveUpEnded() {
    std::vector<IDispatchPtr> abandoned;
    {
        const std::lock_guard lock(guard);
        for (auto object = objects.begin(); object != objects.end();)
            // One whose last Release is under way is left to its destructor.
            if ((*object)->Client().Ended() && (*object)->AddRefWhileAlive()) {
                abandoned.emplace_back(static_cast<IDispatch*>(*object), false); // alive until disconnected
                object = objects.erase(object);
                Released();
            } else {
                ++object;
            }
        for (auto lock = locks.begin(); lock != locks.end();)
            if ((*lock)->Ended()) {
                lock = locks.erase(lock);
                Released();
            } else {
                ++lock;
            }
    }
    for (const IDispatchPtr& object : abandoned)
        CoDisconnectObject(object, 0);
}

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // One factory lives as long as the process: COM's references to it do not keep the server running.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        try {
            IDispatchPtr host;
            ComSupport::ThrowIfFailed(CreateHostObject(&host));
            const IDispatchPtr served(new ServedObject(std::move(host)), false); // takes the first reference
            return served->QueryInterface(iid, object);
        } catch (const _com_error& error) {
            return error.Error();
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        try {
            if (lock)
                clients.Lock();
            else
                clients.Unlock();
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
};

// Keeps the class object registered for COM's activation while it lives.
class ClassRegistration {
public:
    explicit ClassRegistration(IClassFactory& factory) noexcept {
        CLSID served;
        result_ = CLSIDFromString(classId, &served);
        // One process serves every client (REGCLS_MULTIPLEUSE): an activation costs a process start,
        // about a second under Wine, and clients that overlap share the running server.
        if (SUCCEEDED(result_))
            result_ =
                CoRegisterClassObject(served, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    }
    ~ClassRegistration() {
        if (SUCCEEDED(result_))
            CoRevokeClassObject(cookie_);
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

    HRESULT Result() const noexcept { return result_; }

private:
    DWORD cookie_ = 0;
    HRESULT result_ = E_UNEXPECTED;
};

} // namespace

int ServeClients() {
    // The multithreaded apartment: COM calls the objects on its own threads, where each call can name its
    // client's process (ClientProcess).
    const ComSupport::ComApartment apartment(COINIT_MULTITHREADED);
    if (FAILED(apartment.Result())) {
        std::fwprintf(stderr, L"automation_host: CoInitializeEx failed (%ls)\n",
                      ComSupport::HresultText(apartment.Result()).c_str());
        return 1;
    }
    ClassFactory factory;
    const ClassRegistration registration(factory);
    if (FAILED(registration.Result())) {
        std::fwprintf(stderr, L"automation_host: CoRegisterClassObject failed (%ls)\n",
                      ComSupport::HresultText(registration.Result()).c_str());
        return 1;
    }
    const steady_clock::time_point started = steady_clock::now();
    do {
        Sleep(static_cast<DWORD>(watchPeriod.count()));
        clients.GiveUpEnded();
    } while (!clients.Finished(started));
    return 0;
}

} // namespace AutomationHost
