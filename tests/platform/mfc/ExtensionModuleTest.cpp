#include <afxdllx.h>

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

namespace {

// The chain, newest link first: each link's module and whether it is a system one.
std::vector<std::pair<HMODULE, BOOL>> Links() {
    std::vector<std::pair<HMODULE, BOOL>> links;
    for (CDynLinkLibrary* link = FrameworkStandIn::FirstLinkedLibrary(); link != nullptr;
         link = link->m_pNextDLL)
        links.emplace_back(link->m_hModule, link->m_bSystem);
    return links;
}

// A record keeps the first module registered with it. A termination ends its own module's links, or with
// `all` every module's, once.
TEST(ExtensionModule, RegistrationAndTheChainOfLinks) {
    char first = 0, second = 0; // distinct addresses stand for module handles, never followed
    const auto firstModule = reinterpret_cast<HMODULE>(&first),
               secondModule = reinterpret_cast<HMODULE>(&second);
    AFX_EXTENSION_MODULE firstRecord = {}, secondRecord = {};
    FrameworkStandIn::FailNextInitialisation();
    EXPECT_FALSE(AfxInitExtensionModule(firstRecord, firstModule) ||
                 AfxInitExtensionModule(firstRecord, nullptr));
    EXPECT_EQ(std::tuple(firstRecord.bInitialized, firstRecord.hModule), std::tuple(FALSE, nullptr));
    ASSERT_TRUE(AfxInitExtensionModule(firstRecord, firstModule) &&
                AfxInitExtensionModule(firstRecord, secondModule));
    ASSERT_TRUE(AfxInitExtensionModule(secondRecord, secondModule));
    EXPECT_EQ(std::tuple(firstRecord.bInitialized, firstRecord.hModule, firstRecord.hResource),
              std::tuple(TRUE, firstModule, firstModule));
    new CDynLinkLibrary(firstRecord);
    auto* middle = new CDynLinkLibrary(secondRecord);
    new CDynLinkLibrary(firstRecord, TRUE);
    using Chain = std::vector<std::pair<HMODULE, BOOL>>;
    EXPECT_EQ(Links(), (Chain{{firstModule, TRUE}, {secondModule, FALSE}, {firstModule, FALSE}}));
    delete middle;
    EXPECT_EQ(Links(), (Chain{{firstModule, TRUE}, {firstModule, FALSE}}));
    new CDynLinkLibrary(secondRecord);
    for (int time = 0; time < 2; ++time) {
        AfxTermExtensionModule(firstRecord, FALSE);
        EXPECT_EQ(Links(), (Chain{{secondModule, FALSE}}));
        EXPECT_FALSE(firstRecord.bInitialized);
    }
    new CDynLinkLibrary(firstRecord); // its record ended: nothing ends its link but `all`
    AfxTermExtensionModule(firstRecord, FALSE);
    EXPECT_EQ(Links(), (Chain{{firstModule, FALSE}, {secondModule, FALSE}}));
    AfxTermExtensionModule(secondRecord, TRUE);
    EXPECT_TRUE(Links().empty());
}

} // namespace
