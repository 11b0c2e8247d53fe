#pragma once
#include "design/VyrVOpt.h"
#include "host/forms.h"
#include "report/VyrData.h"

#include <functional>
#include <memory>
#include <vector>

class TStringList;
class TVyrBand;
class TVyrDBVar;
class TVyrDSGuide;
class TVyrDSVariableOptions;
class TVyrExprVar;
class TVyrInnerReport;
class TVyrPage;
class TVyrReport;
class TVyrSubDataBand;
class TVyrTextLabel;

// The printed lists of the data control centre: the page's data-source guides with their automatic
// variables and the fields that have none, then its total, expression and database variables, used
// ones in bold. The form holds the report VYRVRpt; RunVReport makes the form, runs the report and
// frees them. Rows come from the sub data bands' data events walking the centre's lists.
class TVYRVREPForm : public TForm {
public:
    explicit TVYRVREPForm(TComponent* AOwner);
    ~TVYRVREPForm() override;

    TVyrReport* VYRVRpt() const;
    // The four section titles, in the order they print.
    TVyrTextLabel* SectionTitle(int Index) const { return FTitles[size_t(Index)]; }

    // Adds or removes bold in the band's font, which the labels of the band share.
    static void SetBandBold(TVyrBand* Band, bool SetBold);

    TVyrPage* pg = nullptr;
    int dsgSpot = 0;
    int DataSpot = 0;
    // The centre's lists, borrowed.
    const TDsgList* dsglist = nullptr;
    const TExprList* exprList = nullptr;
    const TTotalList* totallist = nullptr;
    const TDBList* dblist = nullptr;
    // The work lists of the current guide: its automatic variables, and the fields of its data set
    // that have none. RunVReport makes and frees them.
    std::vector<TVyrDBVar*>* dsgvarlist = nullptr;
    TStringList* UnusedFieldList = nullptr;

    TVyrTextLabel* lbRep = nullptr;
    TVyrTextLabel* lbPage = nullptr;
    TVyrTextLabel* lbForm = nullptr;
    TVyrTextLabel* lbUnused = nullptr;

private:
    void BuildReport();
    TVyrExprVar* Var(const char* Name, TVyrDataTypes Type);
    TVyrBand* AddTitle(const QString& BandName, const QString& Title, int Order);
    // One list loop over Count() items: Row(i) puts item i in the variables and tells whether the
    // item is used, which makes its row bold.
    void ListLoop(TVyrSubDataBand* Band, std::function<int()> Count, std::function<bool(int)> Row);
    void BuildGuides(TVyrBand* Title);
    TVyrDSGuide* Guide() const;

    std::unique_ptr<TVyrInnerReport> FBuilder;
    std::vector<TVyrTextLabel*> FTitles;
    TVyrSubDataBand* FGuides = nullptr;
};

// The data control centre's "&Print": its lists printed as above; nothing without a page.
void VyrPrintVarLists(TVyrDSVariableOptions* Centre);

// Prints the centre's lists of Page. The report goes to the screen; the form and its work lists are
// freed also when the run fails, whose error then goes on to the caller.
void RunVReport(TVyrPage* Page, const TDsgList& DsgList, const TExprList& ExprList, const TDBList& DBList,
                const TTotalList& TotalList);
