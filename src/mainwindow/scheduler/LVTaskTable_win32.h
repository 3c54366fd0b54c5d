// The task list: the rows live here, in memory, and the main window's list
// view shows them as a virtual list that asks for a row's texts and image
// when it paints it (or when another program asks it for them).
#pragma once

#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskTable.h"
#include "toolkit/Controls.h"

namespace kestrelon {

class LVTaskTable : public ITaskTable {
public:
    LVTaskTable(toolkit::ListView& view, toolkit::ImageList& icons) : view_(view), icons_(icons) {}

    // Creates `view` as a virtual list over these rows.
    bool CreateView(toolkit::Parent parent, const toolkit::TwipsRect& design);
    // A picture that lives as long as the program (the generic application
    // picture of loaded rows): the rows that use it share one stored image.
    void SetSharedPicture(IconRef icon) { sharedPicture_ = icon; }

    int Count() const override { return rows_.Count(); }
    std::optional<std::wstring> Field(int row, int field) const override { return rows_.Field(row, field); }
    bool SetField(int row, int field, const std::wstring& text) override;
    // IconRef is an HICON (0 for a blank image); the image list keeps a copy.
    int AddRow(IconRef icon) override;
    bool RemoveRow(int row) override;
    void Clear() override;
    int SelectedRow() const override;
    DueMemo* Memo(int row) override { return rows_.Memo(row); }

    // While many rows are added at once (a task-list file), the view learns
    // the new row count once, at the end.
    void BeginBulk() { ++bulk_; }
    void EndBulk();

private:
    toolkit::ListView& view_;
    toolkit::ImageList& icons_;
    MemoryTaskTable rows_;  // images are the 1-based indexes in icons_
    IconRef sharedPicture_ = 0;
    int bulk_ = 0;
};

}  // namespace kestrelon
