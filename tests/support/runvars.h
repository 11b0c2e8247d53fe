#pragma once
#include <functional>

class TVyrPage;

// What a run does for the variables of a page before its first record, until the page's own run
// start does it: the levels are numbered by their place, the plain variables set running and
// initialized, the master data started (DataStart), then the database and total variables set
// running and initialized. A run whose data is already finished initializes without running.
void StartRunVariables(TVyrPage& Page, const std::function<void()>& DataStart = {},
                       bool DataIsFinished = false);
// The end of a run: every variable stops running, which initializes it again.
void EndRunVariables(TVyrPage& Page);
