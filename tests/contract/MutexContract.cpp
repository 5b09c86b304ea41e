#include "ContractEnv.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace ulv::contract {
namespace {

// One name per test process (its scratch folder is its own): the cases run in several processes at once.
std::string MutexName(const char* prefix) {
    return prefix + std::string("Ulvara Contract Mutex ") +
           std::to_string(std::hash<std::string>{}(Env().Scratch));
}

UniqueHandle CreateMutex(const std::string& name, std::uint32_t& lastError) {
    ISystem& system = Env().Platform.System;
    lastError = 0xDEAD;
    return UniqueHandle(system, system.CreateMutexA(name, lastError));
}

// The setup's guard against a second copy rests on this: a name is "already there" exactly while a handle
// to it is open, in both namespaces.
TEST(MutexContract, ANameExistsWhileAHandleToItIsOpen) {
    for (const char* prefix : {"Global\\", "Local\\", ""}) {
        std::string name = MutexName(prefix);
        std::uint32_t lastError = 0;
        UniqueHandle first = CreateMutex(name, lastError);
        ASSERT_TRUE(first) << name;
        EXPECT_EQ(lastError, 0u) << name << ": made by this call";
        UniqueHandle second = CreateMutex(name, lastError);
        ASSERT_TRUE(second) << name << ": the existing object is opened";
        EXPECT_NE(second.Get(), first.Get());
        EXPECT_EQ(lastError, kErrorAlreadyExists) << name;
        second.Reset();
        first.Reset();
        UniqueHandle again = CreateMutex(name, lastError);
        ASSERT_TRUE(again) << name;
        EXPECT_EQ(lastError, 0u) << name << ": gone with its last handle, made anew";
    }
}

} // namespace
} // namespace ulv::contract
