// Detects a running instance of the program in the same user session with
// a named mutex. The first instance holds the mutex until it ends.
#pragma once

#include <windows.h>

#include <string>

namespace kestrelon {

// The mutex name; "Local\" keeps it to the user's own session.
inline constexpr wchar_t kSingleInstanceMutex[] = L"Local\\Kestrelon.SingleInstance";

class SingleInstance {
public:
    explicit SingleInstance(const std::wstring& name = kSingleInstanceMutex);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another instance already held the mutex when this one was made.
    bool AnotherInstanceRunning() const { return another_; }

private:
    HANDLE mutex_ = nullptr;
    bool another_ = false;
};

}  // namespace kestrelon
