// Makes one OLE Automation call fail, to reach the library's failure paths. The test program defines
// these functions itself, in front of the platform's (ELF symbol interposition), and forwards every call
// to the platform's own unless a failure is due.
#pragma once

enum class PlatformCall {
    SysAllocString,
    SafeArrayCreate,
    SafeArrayPutElement,
    SafeArrayAccessData,
    SafeArrayUnaccessData,
};

// While it lives, the call fails once, after `successes` calls that went through. A failing
// SafeArrayUnaccessData still releases the lock; only its result says otherwise.
class FailingCall {
public:
    FailingCall(PlatformCall call, int successes);
    ~FailingCall();
    FailingCall(const FailingCall&) = delete;
    FailingCall& operator=(const FailingCall&) = delete;

    // Whether the failure happened, so a test knows it reached the path it meant to.
    bool Failed() const;
};
