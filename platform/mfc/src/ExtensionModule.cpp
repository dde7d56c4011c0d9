#include "afxwin.h"

#include <mutex>
#include <vector>

namespace {

struct FrameworkState {
    std::mutex lock;
    CDynLinkLibrary* chain = nullptr;
    bool failNextInitialisation = false;
    int initialisations = 0;
    int terminations = 0;
};

FrameworkState& State() {
    static FrameworkState state;
    return state;
}

void Unlink(CDynLinkLibrary* library) {
    for (CDynLinkLibrary** link = &State().chain; *link != nullptr; link = &(*link)->m_pNextDLL) {
        if (*link == library) {
            *link = library->m_pNextDLL;
            return;
        }
    }
}

} // namespace

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module) {
    FrameworkState& framework = State();
    std::lock_guard guard(framework.lock);
    ++framework.initialisations;
    if (module == nullptr)
        return FALSE;
    if (framework.failNextInitialisation) {
        framework.failNextInitialisation = false;
        return FALSE;
    }
    if (!state.bInitialized) {
        state.hModule = module;
        state.hResource = module;
        state.bInitialized = TRUE;
    }
    return TRUE;
}

// Ends the module's registration: its CDynLinkLibrary objects, or with `all` every module's, leave the
// chain and are destroyed. A record that was never registered has nothing to end.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all) {
    FrameworkState& framework = State();
    std::vector<CDynLinkLibrary*> ending;
    {
        std::lock_guard guard(framework.lock);
        ++framework.terminations;
        if (!state.bInitialized)
            return;
        state.bInitialized = FALSE;
        CDynLinkLibrary** link = &framework.chain;
        while (*link != nullptr) {
            CDynLinkLibrary* library = *link;
            if (all || library->m_hModule == state.hModule) {
                *link = library->m_pNextDLL;
                library->m_pNextDLL = nullptr;
                ending.push_back(library);
            } else {
                link = &library->m_pNextDLL;
            }
        }
    }
    // Unlinked already, so no other thread can reach them; the destructors run outside the lock.
    for (CDynLinkLibrary* library : ending)
        delete library;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(system), m_pNextDLL(nullptr) {
    FrameworkState& framework = State();
    std::lock_guard guard(framework.lock);
    m_pNextDLL = framework.chain;
    framework.chain = this;
}

CDynLinkLibrary::~CDynLinkLibrary() {
    FrameworkState& framework = State();
    std::lock_guard guard(framework.lock);
    Unlink(this);
}

namespace FrameworkStandIn {

void FailNextInitialisation() {
    std::lock_guard guard(State().lock);
    State().failNextInitialisation = true;
}

int InitialisationCount() {
    std::lock_guard guard(State().lock);
    return State().initialisations;
}

int TerminationCount() {
    std::lock_guard guard(State().lock);
    return State().terminations;
}

CDynLinkLibrary* FirstLinkedLibrary() {
    std::lock_guard guard(State().lock);
    return State().chain;
}

void ResetCounts() {
    std::lock_guard guard(State().lock);
    State().initialisations = 0;
    State().terminations = 0;
    State().failNextInitialisation = false;
}

} // namespace FrameworkStandIn
