#include "mainwindow/SingleInstance_win32.h"

namespace kestrelon {

SingleInstance::SingleInstance(const std::wstring& name) {
    mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
    // Without a mutex we cannot tell; the program then runs.
    another_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    if (mutex_) CloseHandle(mutex_);
}

}  // namespace kestrelon
