// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A disk that fails one call: while one of these lives, the nth read, write or flush
// of the record files and journals (counted from 1, of the kinds asked for) fails
// with the given errno, as a failing or full disk makes it fail. With n = 0 nothing
// fails and the calls are only counted, to learn how many a save makes.
#include <cerrno>
#include <initializer_list>

#include "store/FileOps.h"

namespace prandel::test {

class FailingCalls {
 public:
  using Call = store::file::Call;
  FailingCalls(int nth, int error = EIO,
               std::initializer_list<Call> kinds = {Call::Write, Call::SyncData, Call::SyncFolder}) {
    state() = {nth, error, 0, 0};
    for (Call k : kinds) state().kinds |= 1u << static_cast<unsigned>(k);
    store::file::setFaultHook(&hook);
  }
  ~FailingCalls() { store::file::setFaultHook(nullptr); }
  FailingCalls(const FailingCalls&) = delete;
  FailingCalls& operator=(const FailingCalls&) = delete;

  // Calls of the kinds asked for, so far.
  int count() const { return state().seen; }

 private:
  struct State {
    int nth;
    int error;
    int seen;
    unsigned kinds;
  };
  static State& state() {
    static State s{};
    return s;
  }
  static int hook(Call call) {
    State& s = state();
    if ((s.kinds & (1u << static_cast<unsigned>(call))) == 0) return 0;
    return ++s.seen == s.nth ? s.error : 0;
  }
};

}  // namespace prandel::test
