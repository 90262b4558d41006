// The account's password in the credential store (Wine keeps it in the
// prefix's registry), under a name of the test's own.

#include "ProcessResources.h"
#include "WinPasswordStore.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WinPasswordStoreTest, KeepsOnePasswordForItsOneUser)
{
    const std::string target = "Vellumere test " + std::to_string(::GetCurrentProcessId());
    WinPasswordStore store(target);
    const std::string password = "p\xe4ss w\xf6rd:\x80";
    EXPECT_EQ(store.read("alice"), std::nullopt);
    ASSERT_TRUE(store.write("alice", password));
    EXPECT_EQ(WinPasswordStore(target).read("alice"), password);
    EXPECT_EQ(store.read("bob"), std::nullopt);
    EXPECT_EQ(WinPasswordStore(target + " other").read("alice"), std::nullopt);

    // Another user's password replaces the first.
    ASSERT_TRUE(store.write("bob", "second"));
    EXPECT_EQ(store.read("bob"), "second");
    EXPECT_EQ(store.read("alice"), std::nullopt);

    store.remove();
    EXPECT_EQ(store.read("bob"), std::nullopt);
}

TEST(WinPasswordStoreTest, LeavesNothingBehindAcrossManyRuns)
{
    const std::string target = "Vellumere test " + std::to_string(::GetCurrentProcessId());
    expectNoResourceGrowth("a password written, read and removed", 200, [&] {
        WinPasswordStore store(target);
        EXPECT_TRUE(store.write("alice", "secret"));
        EXPECT_EQ(store.read("alice"), "secret");
        store.remove();
    });
}

} // namespace
