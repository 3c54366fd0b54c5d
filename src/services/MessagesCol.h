// A keyed, ordered collection of messages: each a number with a name and a
// description. Elements keep the order they were added in, are found by their
// 1-based position or by their name, and names are unique regardless of
// letter case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrelon {

// A plain record.
class Message {
public:
    std::int32_t Value = 0;
    std::wstring Name;  // also the record's key in its collection
    std::wstring Desc;
};

// What a failed Add, Item or Remove throws. The collection is unchanged.
class MessagesColError : public std::runtime_error {
public:
    enum class Kind {
        DuplicateKey,  // Add: the name is already a key
        NoSuchItem,    // Item/Remove: no element at that position or under that key
    };
    MessagesColError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

class MessagesCol {
    struct Entry;

public:
    using Ref = std::shared_ptr<Message>;

    MessagesCol() { Class_Initialize(); }
    ~MessagesCol() { Class_Terminate(); }
    MessagesCol(const MessagesCol&) = delete;
    MessagesCol& operator=(const MessagesCol&) = delete;

    // Appends a new message under the key `Name` and returns it. Throws
    // DuplicateKey when a key equal to `Name` but for case is already there.
    // The message is shared: it outlives its removal from the collection for
    // whoever still holds it. Changing its Name later does not change its key.
    Ref Add(const std::wstring& Name, std::int32_t Value, const std::wstring& Description);

    // The element at 1-based `position`, or under `key`. Throws NoSuchItem.
    Message& Item(std::int32_t position) const;
    Message& Item(std::wstring_view key) const;
    Message& operator[](std::int32_t position) const { return Item(position); }
    Message& operator[](std::wstring_view key) const { return Item(key); }
    Ref ItemRef(std::int32_t position) const;
    Ref ItemRef(std::wstring_view key) const;

    std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }

    // Removes the element at 1-based `position`, or under `key`; the ones after
    // it move up one place. Throws NoSuchItem.
    void Remove(std::int32_t position);
    void Remove(std::wstring_view key);

    // The elements in order, as they are now. The result does not change when
    // the collection does, so a loop over it may add or remove elements.
    std::vector<Ref> NewEnum() const;

    // Range-for over the live elements (Message&). Do not add or remove while
    // such a loop runs; loop over NewEnum() for that.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Message;
        using difference_type = std::ptrdiff_t;
        using pointer = Message*;
        using reference = Message&;
        const_iterator() = default;
        explicit const_iterator(std::vector<Entry>::const_iterator it) : it_(it) {}
        reference operator*() const;
        pointer operator->() const { return &**this; }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        const_iterator operator++(int) {
            auto old = *this;
            ++it_;
            return old;
        }
        bool operator==(const const_iterator& o) const { return it_ == o.it_; }

    private:
        std::vector<Entry>::const_iterator it_;
    };
    const_iterator begin() const;
    const_iterator end() const;

    // Folds a key for comparison: letters of the Latin, Greek and Cyrillic
    // alphabets compare equal to their other case.
    static std::wstring FoldKey(std::wstring_view key);

private:
    struct Entry {
        std::wstring key;  // folded once, when added
        Ref message;
    };

    void Class_Initialize() { items_.clear(); }
    void Class_Terminate() { items_.clear(); }
    std::size_t IndexOf(std::int32_t position) const;
    std::size_t IndexOf(std::wstring_view key) const;

    std::vector<Entry> items_;
};

}  // namespace kestrelon
