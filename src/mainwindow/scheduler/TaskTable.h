// The task list as the scheduler sees it: rows of seven text fields,
// addressed 1-based, each with its own image in an image list that only grows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrelon {

// An icon handed to the table when a row is added. Opaque to portable code
// (the window side passes an HICON).
using IconRef = std::uintptr_t;

enum TaskField : int {
    fProgram = 1,
    fPath = 2,
    fID = 3,
    fCloseTime = 4,
    fLoop = 5,
    fType = 6,
    fAfter = 7,
};
constexpr int kFieldCount = 7;
// The scheduler counts rows with a 16-bit signed counter.
constexpr int kMaxRows = 32767;

// What the scheduler worked out from a row's Close Time, kept with the row
// so that a tick over a long list need not read every date again. `key` 0
// means nothing is kept; a table empties it whenever field 4 is written.
struct DueMemo {
    std::uint64_t key = 0;  // the locale the date was read with
    bool readable = false;
    std::int64_t number = 0;
};

class ITaskTable {
public:
    virtual ~ITaskTable() = default;
    virtual int Count() const = 0;
    // Empty when the row or field does not exist.
    virtual std::optional<std::wstring> Field(int row, int field) const = 0;
    virtual bool SetField(int row, int field, const std::wstring& text) = 0;
    // Appends an image, then a row with seven empty fields that uses it.
    // Returns the new row's index (the new count), 0 on failure.
    virtual int AddRow(IconRef icon) = 0;
    virtual bool RemoveRow(int row) = 0;
    virtual void Clear() = 0;
    // The row the user selected, 0 when none.
    virtual int SelectedRow() const = 0;
    // The row's memo; null when the row does not exist or the table keeps none.
    virtual DueMemo* Memo(int /*row*/) { return nullptr; }
};

}  // namespace kestrelon
