#include <afxdllx.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<HMODULE> LinkedModules() {
    std::vector<HMODULE> modules;
    for (CDynLinkLibrary* library = FrameworkStandIn::FirstLinkedLibrary(); library != nullptr;
         library = library->m_pNextDLL)
        modules.push_back(library->m_hModule);
    return modules;
}

class ExtensionModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        FrameworkStandIn::ResetCounts();
        ASSERT_TRUE(AfxInitExtensionModule(firstRecord, firstModule));
        ASSERT_TRUE(AfxInitExtensionModule(secondRecord, secondModule));
    }
    void TearDown() override { EXPECT_EQ(FrameworkStandIn::FirstLinkedLibrary(), nullptr); }

    // Distinct addresses stand for module handles; the framework never follows them.
    char first = 0;
    char second = 0;
    HMODULE firstModule = reinterpret_cast<HMODULE>(&first);
    HMODULE secondModule = reinterpret_cast<HMODULE>(&second);
    AFX_EXTENSION_MODULE firstRecord = {};
    AFX_EXTENSION_MODULE secondRecord = {};
};

TEST_F(ExtensionModuleTest, RegistrationTakesTheFirstHandleAndCanBeRefused) {
    AFX_EXTENSION_MODULE record = {};
    EXPECT_FALSE(AfxInitExtensionModule(record, nullptr));
    FrameworkStandIn::FailNextInitialisation();
    EXPECT_FALSE(AfxInitExtensionModule(record, firstModule));
    EXPECT_FALSE(record.bInitialized);
    EXPECT_EQ(record.hModule, nullptr);
    // A registered record keeps its module.
    EXPECT_TRUE(AfxInitExtensionModule(record, secondModule));
    EXPECT_TRUE(AfxInitExtensionModule(record, firstModule));
    EXPECT_TRUE(record.bInitialized);
    EXPECT_EQ(record.hModule, secondModule);
    EXPECT_EQ(record.hResource, secondModule);
    EXPECT_EQ(FrameworkStandIn::InitialisationCount(), 6);
    AfxTermExtensionModule(record);
    EXPECT_FALSE(record.bInitialized);
    AfxTermExtensionModule(firstRecord);
    AfxTermExtensionModule(secondRecord);
    EXPECT_EQ(FrameworkStandIn::TerminationCount(), 3);
}

// Each new link goes first in the chain; a termination ends its own module's links, or with `all` every link.
TEST_F(ExtensionModuleTest, TerminationEndsItsOwnModuleLinksOrAll) {
    new CDynLinkLibrary(firstRecord);
    auto* middle = new CDynLinkLibrary(secondRecord);
    new CDynLinkLibrary(firstRecord, TRUE);
    EXPECT_EQ(LinkedModules(), (std::vector{firstModule, secondModule, firstModule}));
    EXPECT_TRUE(FrameworkStandIn::FirstLinkedLibrary()->m_bSystem);
    EXPECT_FALSE(FrameworkStandIn::FirstLinkedLibrary()->m_pNextDLL->m_bSystem);
    delete middle;
    EXPECT_EQ(LinkedModules(), (std::vector{firstModule, firstModule}));

    new CDynLinkLibrary(secondRecord);
    AfxTermExtensionModule(firstRecord, FALSE);
    EXPECT_EQ(LinkedModules(), std::vector{secondModule});
    // Ended already: a second termination finds nothing of its own, and leaves the others alone.
    AfxTermExtensionModule(firstRecord, FALSE);
    EXPECT_EQ(LinkedModules(), std::vector{secondModule});
    new CDynLinkLibrary(firstRecord);
    AfxTermExtensionModule(secondRecord, TRUE);
    EXPECT_TRUE(LinkedModules().empty());
}

} // namespace
