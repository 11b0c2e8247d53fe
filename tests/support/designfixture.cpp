#include "support/designfixture.h"
#include "host/messages.h"

TDesignedReport::TDesignedReport() : Form(std::make_unique<TForm>(nullptr)) {
    Form->SetName(QStringLiteral("Form1"));
    Form->SetBounds(0, 0, 900, 700);
    Designer = std::make_unique<TTestDesigner>(Form.get());
    Report = Add<TVyrReport>(QStringLiteral("VyrReport1"));
    Report->SetParent(Form.get());
    Report->SetBounds(0, 0, 800, 600);
    // The report makes its page, and the page its bands, once the messages they posted arrive.
    DeliverPostedMessages();
    Page = dynamic_cast<TVyrGrouppage*>(Report->Page());
}

TDesignedReport::~TDesignedReport() {
    Form.reset();
    Designer.reset();
    DeliverPostedMessages();
}
