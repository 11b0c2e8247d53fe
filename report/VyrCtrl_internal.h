#pragma once
// What the sources of the band, its kinds, groups and the label base share. Only those sources include
// this header.

#include "host/forms.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"

namespace VyrCtrlInternal {

// Runs an event whose failure must not stop the run: the exception goes to the application's
// handler and the caller goes on.
template <class Event, class... Args> void GuardedEvent(TComponent* Sender, const Event& Handler, Args... A) {
    if (!Handler) return;
    try {
        Handler(A...);
    } catch (...) {
        Application()->HandleException(Sender);
    }
}

// The design companion of the report a control lies in, at design time only.
inline TVyrRptDsgn* DesignOf(const TComponent* Control, TVyrReport* Report) {
    if (!Control->HasState(csDesigning) || !Report) return nullptr;
    return Report->RepDesign();
}

inline bool IsGroupPage(const TWinControl* AParent) {
    return dynamic_cast<const TVyrGrouppage*>(AParent) != nullptr;
}

} // namespace VyrCtrlInternal
