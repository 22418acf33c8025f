#include "platform/ComApartment.h"

namespace kelvane {

TComApartment::TComApartment() = default;

TComApartment::~TComApartment() = default;

void TComApartment::Release() {
}

}  // namespace kelvane
