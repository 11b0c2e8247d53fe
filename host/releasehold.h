#pragma once

#include "host/classes.h"

// A loop that pumps messages while it works with a component (a report's run walking its form) holds
// the component for as long as the hold lives. A form that is or owns a held component and is
// released meanwhile (Release, or a close that frees it) is freed once the last hold ends, rather
// than under the loop.
class TReleaseHold {
public:
    explicit TReleaseHold(TComponent* Component);
    ~TReleaseHold();
    TReleaseHold(const TReleaseHold&) = delete;
    TReleaseHold& operator=(const TReleaseHold&) = delete;

    // The component held; nullptr once it is freed.
    TComponent* Component() const { return FComponent.Get(); }

private:
    TComponentRef<TComponent> FComponent;
};

// Whether Form is, or owns, a component that a loop holds.
bool ReleaseHeld(const TComponent* Form);
