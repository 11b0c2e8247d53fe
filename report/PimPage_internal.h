#pragma once
// What the sources of the page share. Only those sources include this header.

#include "report/PimPage.h"

namespace PimPageInternal {

// Sets a flag of the page state for the length of a call, also when the call raises.
class TStateGuard {
public:
    TStateGuard(TVyrPageState& State, TVyrPageState Flag) : FState(State), FFlag(Flag) { FState |= Flag; }
    ~TStateGuard() { FState &= static_cast<TVyrPageState>(~FFlag); }
    TStateGuard(const TStateGuard&) = delete;
    TStateGuard& operator=(const TStateGuard&) = delete;

private:
    TVyrPageState& FState;
    TVyrPageState FFlag;
};

class TBoolGuard {
public:
    explicit TBoolGuard(bool& Flag) : FFlag(Flag) { FFlag = true; }
    ~TBoolGuard() { FFlag = false; }
    TBoolGuard(const TBoolGuard&) = delete;
    TBoolGuard& operator=(const TBoolGuard&) = delete;

private:
    bool& FFlag;
};

} // namespace PimPageInternal
