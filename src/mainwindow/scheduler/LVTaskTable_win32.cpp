#include "mainwindow/scheduler/LVTaskTable_win32.h"

namespace kestrelon {

// Row i is list item i-1; field k is shown in column k+1, which is the
// view's sub-item k (sub-item 0, the item's own text, stays empty).

bool LVTaskTable::CreateView(toolkit::Parent parent, const toolkit::TwipsRect& design) {
    toolkit::ListView::Source source;
    source.text = [this](int item, int subItem) -> const std::wstring* {
        if (item < 0 || item >= rows_.Count() || subItem < 1 || subItem > kFieldCount) return nullptr;
        return &rows_.rows[item].fields[subItem - 1];
    };
    source.image = [this](int item) { return item >= 0 && item < rows_.Count() ? rows_.rows[item].image - 1 : -1; };
    return view_.CreateVirtual(parent, design, std::move(source));
}

bool LVTaskTable::SetField(int row, int field, const std::wstring& text) {
    if (!rows_.SetField(row, field, text)) return false;
    if (!bulk_) view_.RedrawItems(row - 1, row - 1);
    return true;
}

int LVTaskTable::AddRow(IconRef icon) {
    if (Count() >= kMaxRows) return 0;
    HICON picture = reinterpret_cast<HICON>(icon);
    // A blank image is the same every time: it may be shared too.
    const int image = icon == 0 || icon == sharedPicture_ ? icons_.AddShared(picture) : icons_.Add(picture);
    if (image < 0) return 0;
    const int row = rows_.AddRow(icon);
    rows_.rows.back().image = image + 1;
    rows_.images.clear();  // the image list holds the pictures
    if (!bulk_) view_.SetItemCount(row);
    return row;
}

void LVTaskTable::EndBulk() {
    if (bulk_ > 0 && --bulk_ == 0) view_.SetItemCount(rows_.Count());
}

bool LVTaskTable::RemoveRow(int row) {
    if (!rows_.RemoveRow(row)) return false;
    // The view moves the selection and focus of the later rows up with them.
    if (!view_.Remove(row - 1)) view_.SetItemCount(rows_.Count());
    return true;
}

void LVTaskTable::Clear() {
    rows_.Clear();
    view_.Clear();
}

int LVTaskTable::SelectedRow() const { return view_.SelectedIndex() + 1; }

}  // namespace kestrelon
