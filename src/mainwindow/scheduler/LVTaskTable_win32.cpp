#include "mainwindow/scheduler/LVTaskTable_win32.h"

namespace kestrelon {

namespace {
bool ValidField(int field) { return field >= 1 && field <= kFieldCount; }
}  // namespace

// Row i is list item i-1; field k is shown in column k+1, which is the
// view's sub-item k (sub-item 0, the item's own text, stays empty).

int LVTaskTable::Count() const { return view_.Count(); }

std::optional<std::wstring> LVTaskTable::Field(int row, int field) const {
    if (!ValidField(field)) return std::nullopt;
    return view_.ItemText(row - 1, field);
}

bool LVTaskTable::SetField(int row, int field, const std::wstring& text) {
    return ValidField(field) && view_.SetItemText(row - 1, field, text);
}

int LVTaskTable::AddRow(IconRef icon) {
    if (Count() >= kMaxRows) return 0;
    int image = icons_.Add(reinterpret_cast<HICON>(icon));
    if (image < 0) return 0;
    int item = view_.Append(L"", image);
    return item < 0 ? 0 : item + 1;
}

bool LVTaskTable::RemoveRow(int row) { return view_.Remove(row - 1); }

void LVTaskTable::Clear() { view_.Clear(); }

int LVTaskTable::SelectedRow() const { return view_.SelectedIndex() + 1; }

}  // namespace kestrelon
