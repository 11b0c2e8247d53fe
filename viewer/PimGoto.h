#pragma once
#include "host/forms.h"

#include <QString>
#include <memory>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;

// The page an entry of the go-to-page prompt leads to in a document of PageCount pages: the last
// page for a number at or beyond the count, the first for 0. An empty entry goes nowhere (false),
// as Cancel does; text that is not a number raises the integer conversion error.
bool PimGotoPageTarget(const QString& Entry, int PageCount, int& Page);

// The go-to-page prompt; the viewer sets its texts and reads the entry.
class TPimGotoPage : public TCustomForm {
public:
    explicit TPimGotoPage(TComponent* AOwner);
    ~TPimGotoPage() override;

    QWidget* Widget() const override;
    QLabel* Label1() const { return FLabel1; }
    // Takes at most six digits.
    QLineEdit* PageNum() const { return FPageNum; }
    QPushButton* Button1() const { return FButton1; }
    QPushButton* Button2() const { return FButton2; }
    void SetCaption(const QString& Value);

private:
    std::unique_ptr<QDialog> FDialog;
    QLabel* FLabel1 = nullptr;
    QLineEdit* FPageNum = nullptr;
    QPushButton* FButton1 = nullptr;
    QPushButton* FButton2 = nullptr;
};
