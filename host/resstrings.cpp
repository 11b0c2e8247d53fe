#include "host/resstrings.h"

#include <QHash>

namespace {

struct Entry {
    int Ident;
    const char16_t* Text;
};

const Entry Table[] = {
    {56400, u"The DataSource property on the TVyrGroupPage component is not filled in.  You need to set this property to let the report know what database to skip thru.  Right click the glasses button, this selects the TVyrGroupPage component."},
    {56401, u"You are not allowed to delete a group outside of the page manager"},
    {56402, u"You are not allowed to delete a band outside of the page manager."},
    {56403, u"Are you sure you want to delete this report?"},
    {56404, u"Delete?"},
    {56405, u"The printer is busy, please wait."},
    {56406, u"Could not run report, Error: 60655"},
    {56407, u"Max"},
    {56408, u"Min"},
    {56410, u"You cannot delete this Group Page"},
    {56413, u"Circular variable reference for variable: %s"},
    {56414, u"Datatype is bad for variable: %s"},
    {56415, u"Invalid access to totalvar: %s"},
    {56420, u"Collate"},
    {56421, u"Report Destination"},
    {56422, u"Range"},
    {56423, u"Destination"},
    {56424, u"P&rinter"},
    {56425, u"Scr&een"},
    {56426, u"All"},
    {56427, u"Pages"},
    {56428, u"From"},
    {56429, u"To"},
    {56430, u"&Print"},
    {56431, u"&Cancel"},
    {56432, u"Printer &Setup"},
    {56433, u"Copies"},
    {56440, u"Current Page"},
    {56441, u"Printing, Please Wait..."},
    {56442, u"Generating, Please Wait ..."},
    {56443, u"Page:"},
    {56444, u"Abort"},
    {56445, u"Print Status"},
    {56450, u"Yes      - Discard Report"},
    {56451, u"No       - Retain partial report"},
    {56452, u"Cancel - Continue generating report"},
    {56453, u"Abort Report?"},
    {56460, u"Page Movement"},
    {56461, u"GoTo Page:"},
    {56462, u"&Go"},
    {56463, u"&Cancel"},
    {56470, u"Pim Viewer"},
    {56471, u"&File"},
    {56472, u"&Options"},
    {56473, u"&Navigate"},
    {56474, u"&Open"},
    {56475, u"&Close"},
    {56476, u"&Save"},
    {56477, u"Printer Setup"},
    {56478, u"Print"},
    {56479, u"&Exit"},
    {56480, u"&Synchronize"},
    {56481, u"&Toolbar"},
    {56482, u"Two Pa&ge"},
    {56483, u"Next Page"},
    {56484, u"Previous Page"},
    {56485, u"First Page"},
    {56486, u"Last Page"},
    {56487, u"Jump To Page"},
    {56488, u"&Close"},
    {56489, u"Close the Preview Window"},
    {56490, u"Send To Printer, Right-Click to skip prompt"},
    {56491, u"Abort Report"},
    {56492, u"Double Click Toolbar for Zoom Toggle between Page/100%"},
    {56493, u"Double Click for Jump to specific page"},
};

} // namespace

QString LoadStr(int Ident) {
    static const QHash<int, QString> Texts = [] {
        QHash<int, QString> h;
        for (const Entry& e : Table) h.insert(e.Ident, QString::fromUtf16(e.Text));
        return h;
    }();
    return Texts.value(Ident);
}
