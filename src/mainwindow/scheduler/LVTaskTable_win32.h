// The task table over the main window's list view and its image list.
#pragma once

#include "mainwindow/scheduler/TaskTable.h"
#include "toolkit/Controls.h"

namespace kestrelon {

class LVTaskTable : public ITaskTable {
public:
    LVTaskTable(toolkit::ListView& view, toolkit::ImageList& icons) : view_(view), icons_(icons) {}

    int Count() const override;
    std::optional<std::wstring> Field(int row, int field) const override;
    bool SetField(int row, int field, const std::wstring& text) override;
    // IconRef is an HICON (0 for a blank image); the image list keeps a copy.
    int AddRow(IconRef icon) override;
    bool RemoveRow(int row) override;
    void Clear() override;
    int SelectedRow() const override;

private:
    toolkit::ListView& view_;
    toolkit::ImageList& icons_;
};

}  // namespace kestrelon
