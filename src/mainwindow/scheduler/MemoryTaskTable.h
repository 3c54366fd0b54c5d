// A task table held in memory: the stand-in for the list view in tests and
// benchmarks.
#pragma once

#include <array>
#include <vector>

#include "TaskTable.h"

namespace kestrelon {

class MemoryTaskTable : public ITaskTable {
public:
    struct Row {
        std::array<std::wstring, kFieldCount> fields;
        int image = 0;  // 1-based index into images
        DueMemo memo;
    };

    int Count() const override { return static_cast<int>(rows.size()); }
    std::optional<std::wstring> Field(int row, int field) const override {
        if (row < 1 || row > Count() || field < 1 || field > kFieldCount) return std::nullopt;
        return rows[row - 1].fields[field - 1];
    }
    bool SetField(int row, int field, const std::wstring& text) override {
        if (row < 1 || row > Count() || field < 1 || field > kFieldCount) return false;
        rows[row - 1].fields[field - 1] = text;
        if (field == fCloseTime) rows[row - 1].memo = {};
        return true;
    }
    int AddRow(IconRef icon) override {
        images.push_back(icon);
        rows.push_back(Row{{}, static_cast<int>(images.size()), {}});
        return Count();
    }
    bool RemoveRow(int row) override {
        if (row < 1 || row > Count()) return false;
        rows.erase(rows.begin() + (row - 1));
        return true;
    }
    void Clear() override { rows.clear(); }
    int SelectedRow() const override { return selected; }
    DueMemo* Memo(int row) override { return row >= 1 && row <= Count() ? &rows[row - 1].memo : nullptr; }

    // Test helper: appends a row with the given fields.
    int Add(std::array<std::wstring, kFieldCount> f, IconRef icon = 0) {
        int r = AddRow(icon);
        rows[r - 1].fields = std::move(f);
        rows[r - 1].memo = {};
        return r;
    }

    std::vector<Row> rows;
    std::vector<IconRef> images;
    int selected = 0;
};

}  // namespace kestrelon
