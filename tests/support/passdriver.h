#pragma once

class TPimOutput;
class TVyrPage;

// Runs a page's passes in a report run's order onto Output, the report's ExceptionText cleared
// first: for each pass PageStart, InitReport, BeginDoc, StartReport, Process while Printing,
// EndReport, EndDoc, PageEnd; then UnInitReport. A two-pass page's first pass goes nowhere; every
// other pass records a document.
void RunPasses(TVyrPage& Page, TPimOutput& Output);
