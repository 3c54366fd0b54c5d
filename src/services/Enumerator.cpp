#include "services/Enumerator.h"

namespace kestrelon {

Enumerator::Enumerator() { DestroyEnums(); }

Enumerator::~Enumerator() { DestroyEnums(); }

void Enumerator::DestroyEnums() {
    Ready = false;
    // An empty list still has its slot 0.
    ProcList.assign(1, 0);
    ThreadList.assign(1, ThreadEntry{});
    WindList.assign(1, 0);
}

bool Enumerator::IsStyle(Long StyleLong, Long StyleCheck) { return (StyleLong & StyleCheck) == StyleCheck; }

}  // namespace kestrelon
