// A flag by which one thread asks long network work on another to give up.
#pragma once

#include <atomic>
#include <memory>

namespace brelvik {

class CancelToken {
 public:
  CancelToken() : flag_(std::make_shared<std::atomic<bool>>(false)) {}
  void Cancel() const { flag_->store(true); }
  bool Cancelled() const { return flag_->load(); }

 private:
  std::shared_ptr<std::atomic<bool>> flag_;
};

}  // namespace brelvik
