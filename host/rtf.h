#pragma once
#include <QByteArray>
#include <QString>
#include <QTextFormat>
#include <memory>

class QTextDocument;

// Character attributes that the text set for itself. Whatever a run leaves unset is filled in when
// it is drawn, from the default font the caller gives, so that text without a font of its own can
// take the font of the label that shows it.
enum TRichCharProperty : int {
    rcpHasFamily = QTextFormat::UserProperty + 1,
    rcpHasSize,
    rcpHasBold,
    rcpHasItalic,
    rcpHasUnderline,
    rcpHasStrikeOut,
    rcpHasColor,
};

// Paragraph measures are kept in twips, the unit of the text itself; the layout turns them into
// pixels of whatever device it works for. Tab stops go into QTextFormat::TabPositions with their
// positions in twips as well.
enum TRichBlockProperty : int {
    rbpLeftIndent = QTextFormat::UserProperty + 100,
    rbpRightIndent,
    rbpFirstIndent,
    rbpSpaceBefore,
    rbpSpaceAfter,
    rbpLineSpacing,         // twips; positive = at least, negative = exactly
    rbpLineSpacingMultiple, // true: the spacing is a multiple of single spacing, in 240ths
    rbpBulletText,          // the bullet or number drawn before the paragraph; not part of the text
    rbpBulletFormat,        // its character format
};

// Formatted text loaded from RTF, or from plain text when the bytes hold no RTF header. Positions
// count one per UTF-16 character and one per paragraph end between paragraphs, the way ranges of
// characters are stored in documents; a forced line break within a paragraph is one character too.
// A paragraph that follows a page break has the page-break-before policy in its block format.
class TRichText {
public:
    TRichText();
    ~TRichText();
    TRichText(const TRichText&) = delete;
    TRichText& operator=(const TRichText&) = delete;

    void Clear();
    void Load(const QByteArray& Bytes);

    // Number of character positions of the whole text.
    int TextLength() const;
    // The characters From..To-1 (To -1 = to the end), with a paragraph end as '\r' and a forced
    // line break as '\v'.
    QString Text(int From = 0, int To = -1) const;
    // Default distance of tab stops, in twips.
    int DefaultTab() const { return FDefaultTab; }
    // The font the RTF names as its default (\deff), empty when it names none.
    const QString& DefaultFamily() const { return FDefaultFamily; }

    const QTextDocument& Document() const { return *FDocument; }

private:
    friend class TRtfReader;

    std::unique_ptr<QTextDocument> FDocument;
    int FDefaultTab = 720;
    QString FDefaultFamily;
};

// True when the bytes start as RTF does ("{\rtf"), also behind a byte-order mark.
bool IsRtf(const QByteArray& Bytes);
