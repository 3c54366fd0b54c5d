#include "app/CarriedParts.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <vector>

#include "popupmenu/frmPop_win32.h"
#include "services/Enumerator.h"
#include "services/EnumeratorSnapshot_win32.h"
#include "services/FileInfo.h"
#include "services/GetFileInfo_win32.h"
#include "services/MessagesCol.h"
#include "toolkit/App.h"

namespace kestrelon {

namespace {

struct Carried {
    const char* name;
    std::uintptr_t address;
};

// The code address behind a function or a non-virtual member function
// pointer (whose first word is that address).
template <typename F>
std::uintptr_t Address(F f) {
    std::uintptr_t a = 0;
    std::memcpy(&a, &f, sizeof(a));
    return a;
}

using Long = Enumerator::Long;

#define SLOT(cls, member) Carried{#cls "." #member, Address(&cls::member)}

std::vector<Carried> Registration() {
    return {
        // The inspector, in its slot order.
        Carried{"Enumerator.NewEnum(set)", Address(static_cast<void (Enumerator::*)(Long)>(&Enumerator::NewEnum))},
        Carried{"Enumerator.NewEnum(get)", Address(static_cast<Long (Enumerator::*)() const>(&Enumerator::NewEnum))},
        SLOT(Enumerator, WindProcess), SLOT(Enumerator, WindThread), SLOT(Enumerator, ProcessName),
        SLOT(Enumerator, ParentWind), SLOT(Enumerator, DesktopWind), SLOT(Enumerator, Format8),
        SLOT(Enumerator, ReturnProcessEnum), SLOT(Enumerator, ReturnThreadEnum), SLOT(Enumerator, ReturnWindEnum),
        SLOT(Enumerator, IsValidWindow), SLOT(Enumerator, DestroyEnums), SLOT(Enumerator, EnumsReady),
        SLOT(Enumerator, EnumAll), SLOT(Enumerator, KillProcess), SLOT(Enumerator, NumOfWinds),
        SLOT(Enumerator, NumOfProcesses), SLOT(Enumerator, NumOfThreads), SLOT(Enumerator, FixApi),
        SLOT(Enumerator, ClassName), SLOT(Enumerator, GetWindText), SLOT(Enumerator, GetWindTextLength),
        SLOT(Enumerator, Progenitor), SLOT(Enumerator, IsEnabled), SLOT(Enumerator, IsVisible),
        SLOT(Enumerator, ThreadProcess), SLOT(Enumerator, ThreadHung), SLOT(Enumerator, MenuHandle),
        SLOT(Enumerator, SubMenu), SLOT(Enumerator, IsOnTop), SLOT(Enumerator, IsStyle),
        SLOT(Enumerator, StyleVal), SLOT(Enumerator, ExtStyleVal), SLOT(Enumerator, GetHandleInstance),
        SLOT(Enumerator, GetUserData), SLOT(Enumerator, GetWndProc), SLOT(Enumerator, GetControlID),
        SLOT(Enumerator, SetParent), SLOT(Enumerator, SetVisible), SLOT(Enumerator, SetOntop),
        SLOT(Enumerator, SetEnabled), SLOT(Enumerator, ForeGround), SLOT(Enumerator, ActiveWind),
        SLOT(Enumerator, FocusWind), SLOT(Enumerator, SetWindPos), SLOT(Enumerator, TerminateWind),
        SLOT(Enumerator, WindPos), SLOT(Enumerator, Flash), SLOT(Enumerator, SetWinSizePos),
        SLOT(Enumerator, GetRelWindow), SLOT(Enumerator, BringToTop), SLOT(Enumerator, SendToBottom),
        SLOT(Enumerator, GetDC), SLOT(Enumerator, RelDC), SLOT(Enumerator, SetWindText),
        SLOT(Enumerator, ForceRedraw), SLOT(Enumerator, GetBigIconH), SLOT(Enumerator, GetSmallIconH),
        SLOT(Enumerator, GetClassExtraBytes), SLOT(Enumerator, GetClassExtraWndBytes),
        SLOT(Enumerator, GetClasshBackgroundBrush), SLOT(Enumerator, GetClassHCursor),
        SLOT(Enumerator, GetClassHIcon), SLOT(Enumerator, GetClasshSmallIcon), SLOT(Enumerator, GetClassHModule),
        SLOT(Enumerator, GetClassMenuName), SLOT(Enumerator, GetClassStyle), SLOT(Enumerator, GetClassWndProc),
        Carried{"GetAllWindows", Address(&GetAllWindows)},
        Carried{"EnumWindowsProc", Address(&EnumWindowsProc)},
        // The pop-up menu form and its handlers.
        SLOT(frmPop, SetHost), SLOT(frmPop, ChangeMsg), SLOT(frmPop, menuAdd_Click), SLOT(frmPop, menuRemove_Click),
        SLOT(frmPop, menuExit_Click), SLOT(frmPop, menuConverter_Click), SLOT(frmPop, menuSetting_Click),
        SLOT(frmPop, menuHelp_Click), SLOT(frmPop, menuExit1_Click), SLOT(frmPop, menuA_Click),
        SLOT(frmPop, menuAA_Click), SLOT(frmPop, menuBrowser_Click), SLOT(frmPop, open_Click),
        // The keyed message collection.
        SLOT(MessagesCol, Add),
        Carried{"MessagesCol.Item", Address(static_cast<Message& (MessagesCol::*)(std::int32_t) const>(&MessagesCol::Item))},
        SLOT(MessagesCol, Count),
        Carried{"MessagesCol.Remove", Address(static_cast<void (MessagesCol::*)(std::int32_t)>(&MessagesCol::Remove))},
        SLOT(MessagesCol, NewEnum),
        // The file information reader.
        Carried{"GetFileInfo", Address(&win32::GetFileInfo)},
        Carried{"GetVerString", Address(&win32::GetVerString)},
        Carried{"FileDirectory", Address(&FileDirectory)},
        Carried{"FileNameOnly", Address(&FileNameOnly)},
    };
}

#undef SLOT

// Each part tried out once, without showing anything.
bool RunInspector() {
    Enumerator e;
    std::vector<Long> winds;
    {
        Hourglass busy;  // and it shows the busy cursor while it exists
        if (toolkit::ScreenMousePointer() == nullptr) return false;
    }
    e.ReturnWindEnum(winds);
    return e.EnumsReady() && toolkit::ScreenMousePointer() == nullptr && winds.size() > 1 &&
           winds.back() == e.DesktopWind() && e.NumOfProcesses() > 0 &&
           e.ProcessName(static_cast<Long>(GetCurrentProcessId())) == L"kestrelon.exe";
}

bool RunPopMenu() {
    frmPop pop;
    if (!pop.Load()) return false;
    pop.SetHost(nullptr, nullptr);
    pop.menuSetting_Click();  // no host: the command is dropped
    return pop.Prefix() == L"b";
}

bool RunMessages() {
    MessagesCol col;
    col.Add(L"First", 1, L"one");
    col.Add(L"Second", 2, L"two");
    col.Remove(1);
    return col.Count() == 1 && col.Item(1).Name == L"Second";
}

bool RunFileInfo() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    FileInfo info;
    return win32::GetFileInfo(self, info, false) && info.FileName == L"kestrelon.exe" && info.HasVersionData;
}

}  // namespace

std::optional<std::wstring> CarriedPartsRequest(const wchar_t* commandLine) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine, &argc);
    if (!argv) return std::nullopt;
    std::optional<std::wstring> file;
    if (argc == 3 && std::wstring(argv[1]) == L"--carried-parts") file = argv[2];
    LocalFree(argv);
    return file;
}

int WriteCarriedParts(const std::wstring& file) {
    const auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
    std::ofstream out{std::filesystem::path(file), std::ios::binary};
    char line[160];
    for (const Carried& c : Registration()) {
        std::snprintf(line, sizeof(line), "%s\t%llx\n", c.name,
                      static_cast<unsigned long long>(c.address - base));
        out << line;
    }
    bool allRan = true;
    const struct {
        const char* part;
        bool (*run)();
    } runs[] = {{"Enumerator", RunInspector}, {"frmPop", RunPopMenu}, {"MessagesCol", RunMessages},
                {"GetFileInfo", RunFileInfo}};
    for (const auto& r : runs) {
        bool ok = false;
        try {
            ok = r.run();
        } catch (...) {
        }
        allRan = allRan && ok;
        out << "run\t" << r.part << '\t' << (ok ? "ok" : "failed") << '\n';
    }
    out.flush();
    return out && allRan ? 0 : 1;
}

}  // namespace kestrelon
