#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "mainwindow/Autostart_win32.h"
#include "mainwindow/SingleInstance_win32.h"

namespace kestrelon {
namespace {

// The data of a value under the Run key, read straight from the registry.
std::wstring ReadRunValue(const std::wstring& name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data), type = 0;
    LONG rc = RegGetValueW(HKEY_CURRENT_USER, kRunKey, name.c_str(), RRF_RT_ANY, &type, data, &size);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return L"<none>";
    return data;
}

DWORD RunValueSize(const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD size = 0;
    RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &size);
    RegCloseKey(key);
    return size;
}

// A value name no other run can be using.
std::wstring TestName() { return L"kestrelon_test_" + std::to_wstring(GetCurrentProcessId()); }

TEST(AutostartRegistry, WrittenTestedAndDeleted) {
    const std::wstring name = TestName();
    std::vector<std::wstring> messages;
    auto sink = [&](const std::wstring& m) { messages.push_back(m); };

    EXPECT_FALSE(IsAutostartSet(name));
    ASSERT_TRUE(SetAutostart(name, L"C:\\Apps", true, SystemRegistry(), sink));
    EXPECT_TRUE(IsAutostartSet(name));
    EXPECT_EQ(ReadRunValue(name), L"C:\\Apps\\" + name + L".exe");
    EXPECT_EQ(RunValueSize(name), (ReadRunValue(name).size() + 1) * sizeof(wchar_t)) << "size counts the NUL";

    // A folder with a blank is written in quotes; the presence test is the same.
    ASSERT_TRUE(SetAutostart(name, L"C:\\Program Files\\Kestrelon", true, SystemRegistry(), sink));
    EXPECT_EQ(ReadRunValue(name), L"\"C:\\Program Files\\Kestrelon\\" + name + L".exe\"");
    EXPECT_TRUE(IsAutostartSet(name));

    ASSERT_TRUE(SetAutostart(name, L"C:\\Apps", false, SystemRegistry(), sink));
    EXPECT_FALSE(IsAutostartSet(name));
    EXPECT_EQ(ReadRunValue(name), L"<none>");
    // Switching off again, with no value there, is silent.
    EXPECT_TRUE(SetAutostart(name, L"C:\\Apps", false, SystemRegistry(), sink));
    EXPECT_TRUE(messages.empty());
}

TEST(AutostartRegistry, AnyDataOfTheRightNameCounts) {
    const std::wstring name = TestName() + L"_other";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD zero = 0;
    RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof(zero));
    RegCloseKey(key);
    EXPECT_TRUE(IsAutostartSet(name));
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, name.c_str());
    EXPECT_FALSE(IsAutostartSet(name));
}

// A registry that refuses what it is told to refuse and records the rest.
class RefusingRegistry : public IRegistry {
public:
    LONG refuseOpen = ERROR_SUCCESS, refuseSet = ERROR_SUCCESS, refuseDelete = ERROR_SUCCESS;
    std::vector<std::wstring> calls;
    HKEY fakeKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));

    LONG OpenKey(HKEY, const std::wstring&, REGSAM access, HKEY& key) override {
        calls.push_back(L"open " + std::to_wstring(access));
        key = fakeKey;
        return refuseOpen;
    }
    LONG CreateKey(HKEY, const std::wstring& sub, REGSAM access, HKEY& key) override {
        calls.push_back(L"create " + sub + L" " + std::to_wstring(access));
        key = fakeKey;
        return refuseOpen;
    }
    LONG QueryValue(HKEY, const std::wstring& n) override { return calls.push_back(L"query " + n), ERROR_SUCCESS; }
    LONG SetString(HKEY, const std::wstring& n, const std::wstring& d) override {
        calls.push_back(L"set " + n + L"=" + d);
        return refuseSet;
    }
    LONG DeleteValue(HKEY, const std::wstring& n) override {
        calls.push_back(L"delete " + n);
        return refuseDelete;
    }
    void CloseKey(HKEY) override { calls.push_back(L"close"); }
};

TEST(AutostartErrors, RefusedOpenShowsOpeningKey) {
    RefusingRegistry reg;
    reg.refuseOpen = ERROR_ACCESS_DENIED;
    std::vector<std::wstring> messages;
    EXPECT_FALSE(SetAutostart(L"kestrelon", L"C:\\Apps", true, reg, [&](const std::wstring& m) {
        messages.push_back(m);
    }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(L"Error 5 opening key\r\n", 0), 0u) << messages[0];
    EXPECT_EQ(reg.calls, (std::vector<std::wstring>{std::wstring(L"create ") + kRunKey + L" " +
                                                    std::to_wstring(KEY_WRITE)}))
        << "nothing written, no key to close";
    // The presence test reports nothing and answers no.
    EXPECT_FALSE(IsAutostartSet(L"kestrelon", reg));
}

TEST(AutostartErrors, RefusedWriteShowsSettingKeyAndClosesTheKey) {
    RefusingRegistry reg;
    reg.refuseSet = ERROR_ACCESS_DENIED;
    std::vector<std::wstring> messages;
    EXPECT_FALSE(SetAutostart(L"kestrelon", L"C:\\Apps", true, reg, [&](const std::wstring& m) {
        messages.push_back(m);
    }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(L"Error 5 setting key\r\n", 0), 0u) << messages[0];
    EXPECT_EQ(reg.calls.back(), L"close");

    // Deleting is not examined: a refused delete shows nothing.
    messages.clear();
    reg.refuseDelete = ERROR_FILE_NOT_FOUND;
    EXPECT_TRUE(SetAutostart(L"kestrelon", L"C:\\Apps", false, reg, [&](const std::wstring& m) {
        messages.push_back(m);
    }));
    EXPECT_TRUE(messages.empty());
}

TEST(SingleInstanceMutex, SecondHolderSeesTheFirst) {
    const std::wstring name = L"Local\\Kestrelon.Test." + std::to_wstring(GetCurrentProcessId());
    {
        SingleInstance first(name);
        EXPECT_FALSE(first.AnotherInstanceRunning());
        SingleInstance second(name);
        EXPECT_TRUE(second.AnotherInstanceRunning());
    }
    SingleInstance again(name);
    EXPECT_FALSE(again.AnotherInstanceRunning()) << "the mutex goes with its last holder";
}

}  // namespace
}  // namespace kestrelon
