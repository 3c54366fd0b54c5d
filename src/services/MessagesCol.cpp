#include "services/MessagesCol.h"

#include <algorithm>

namespace kestrelon {

namespace {

wchar_t FoldChar(wchar_t c) {
    // Basic Latin and Latin-1.
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
    if (c < 0xC0) return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<wchar_t>(c + 32);
    if (c == 0x178) return 0xFF;  // Y with diaeresis
    // Latin Extended-A: pairs, upper case first, in two runs with odd starts.
    if (c >= 0x100 && c <= 0x137) return static_cast<wchar_t>(c | 1);
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? static_cast<wchar_t>(c + 1) : c;
    if (c >= 0x14A && c <= 0x177) return static_cast<wchar_t>(c | 1);
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? static_cast<wchar_t>(c + 1) : c;
    // Greek.
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<wchar_t>(c + 32);
    if (c == 0x3C2) return 0x3C3;  // final sigma
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return static_cast<wchar_t>(c + 37);
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return static_cast<wchar_t>(c + 63);
    // Cyrillic.
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 80);
    if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 32);
    if (c >= 0x460 && c <= 0x481) return static_cast<wchar_t>(c | 1);
    if (c >= 0x48A && c <= 0x4BF) return static_cast<wchar_t>(c | 1);
    // Fullwidth Latin.
    if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<wchar_t>(c + 32);
    return c;
}

}  // namespace

std::wstring MessagesCol::FoldKey(std::wstring_view key) {
    std::wstring folded(key);
    for (wchar_t& c : folded) c = FoldChar(c);
    return folded;
}

MessagesCol::Ref MessagesCol::Add(const std::wstring& Name, std::int32_t Value, const std::wstring& Description) {
    auto message = std::make_shared<Message>();
    message->Desc = Description;
    message->Name = Name;
    message->Value = Value;
    std::wstring key = FoldKey(message->Name);
    bool taken = std::any_of(items_.begin(), items_.end(), [&](const Entry& e) { return e.key == key; });
    if (taken) throw MessagesColError(MessagesColError::Kind::DuplicateKey, "the name is already a key of the collection");
    items_.push_back(Entry{std::move(key), message});
    return message;
}

std::size_t MessagesCol::IndexOf(std::int32_t position) const {
    if (position < 1 || position > Count())
        throw MessagesColError(MessagesColError::Kind::NoSuchItem, "no element at that position");
    return static_cast<std::size_t>(position - 1);
}

std::size_t MessagesCol::IndexOf(std::wstring_view key) const {
    const std::wstring folded = FoldKey(key);
    auto it = std::find_if(items_.begin(), items_.end(), [&](const Entry& e) { return e.key == folded; });
    if (it == items_.end()) throw MessagesColError(MessagesColError::Kind::NoSuchItem, "no element under that key");
    return static_cast<std::size_t>(it - items_.begin());
}

MessagesCol::Ref MessagesCol::ItemRef(std::int32_t position) const { return items_[IndexOf(position)].message; }
MessagesCol::Ref MessagesCol::ItemRef(std::wstring_view key) const { return items_[IndexOf(key)].message; }
Message& MessagesCol::Item(std::int32_t position) const { return *ItemRef(position); }
Message& MessagesCol::Item(std::wstring_view key) const { return *ItemRef(key); }

void MessagesCol::Remove(std::int32_t position) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(IndexOf(position)));
}

void MessagesCol::Remove(std::wstring_view key) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(IndexOf(key)));
}

std::vector<MessagesCol::Ref> MessagesCol::NewEnum() const {
    std::vector<Ref> snapshot;
    snapshot.reserve(items_.size());
    for (const Entry& e : items_) snapshot.push_back(e.message);
    return snapshot;
}

Message& MessagesCol::const_iterator::operator*() const { return *it_->message; }
MessagesCol::const_iterator MessagesCol::begin() const { return const_iterator(items_.cbegin()); }
MessagesCol::const_iterator MessagesCol::end() const { return const_iterator(items_.cend()); }

}  // namespace kestrelon
