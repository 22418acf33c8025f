#pragma once

namespace kelvane {

// COM for the calling thread, for as long as the object lives or until Release (Windows); nothing
// elsewhere. The result of the initialisation is not looked at: a thread that already has an
// apartment simply keeps it.
class TComApartment {
 public:
  TComApartment();
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

  void Release();

 private:
  [[maybe_unused]] bool FInitialised = false;
};

}  // namespace kelvane
