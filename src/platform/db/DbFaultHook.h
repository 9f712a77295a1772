#pragma once
// A test's way to make one call of the database layer fail. While a hook is installed on a
// thread, every call of that thread that can fail asks it first: opening a connection, beginning
// and committing a transaction, running a statement text and opening a record set. The hook
// makes the call fail by raising RuntimeError, before the call touches the database. Without a
// hook, a call pays one test of a thread-local pointer.

namespace corvane::db {

enum class DbCall { Open, BeginTrans, CommitTrans, Execute, OpenRecordset };

class DbFaultHook {
 public:
  virtual ~DbFaultHook() = default;
  // Raises RuntimeError to fail `call`; returns to let it run.
  virtual void before(DbCall call) = 0;
};

namespace detail {
inline thread_local DbFaultHook* tDbFaultHook = nullptr;
}

// Where the database layer lets the hook fail a call.
inline void faultPoint(DbCall call) {
  if (detail::tDbFaultHook != nullptr) detail::tDbFaultHook->before(call);
}

// Installs `hook` on this thread while it lives, then restores the one before.
class ScopedDbFaultHook {
 public:
  explicit ScopedDbFaultHook(DbFaultHook& hook) : previous_(detail::tDbFaultHook) { detail::tDbFaultHook = &hook; }
  ~ScopedDbFaultHook() { detail::tDbFaultHook = previous_; }
  ScopedDbFaultHook(const ScopedDbFaultHook&) = delete;
  ScopedDbFaultHook& operator=(const ScopedDbFaultHook&) = delete;

 private:
  DbFaultHook* previous_;
};

}  // namespace corvane::db
