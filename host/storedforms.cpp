#include "host/storedforms.h"
#include "host/controls.h"

TWriter::TWriter(TComponent* Root) : FRoot(Root) {}
TWriter::~TWriter() = default;
void TWriter::WriteProperties(TPersistent*) {}
