#pragma once
#include "host/graphics.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TWholeFileStream;
class TMemoryStream;
class TStream;
class TVyrPageSetup;
class TVyrRtfFile;

enum TVyrRtfBorderType : uint8_t { rbtBox, rbtBottom };
enum TVyrTabAlignment : uint8_t { taLeft, taCenter, taRight };

// Text made fit to stand in RTF: the characters RTF reserves are escaped, characters of Windows-1252
// go out as that code page's bytes and all others as Unicode, tabs and line breaks as control words.
QByteArray VyrRtfText(const QString& Text);

// One entry of a rich-text file's font table. It carries the last style and size used with it.
class TVyrRtfFont {
public:
    TVyrRtfFont();
    virtual ~TVyrRtfFont();
    TVyrRtfFont(const TVyrRtfFont&) = delete;
    TVyrRtfFont& operator=(const TVyrRtfFont&) = delete;

    virtual void SetFont(const TFont& Value);
    // From another entry; nullptr is ignored.
    virtual void Assign(const TVyrRtfFont* Source);
    virtual bool FontSame(const TFont& Value) const;
    // Whether the font can use this entry's table definition.
    virtual bool DefinitionSame(const TFont& Value) const;
    virtual void WriteHeader(TStream& Stream) const;
    // The character format of the entry's font: face, size, bold, italic, underline.
    void WriteFont(TVyrRtfFile& File) const;

    // The entry's number in the table, from 1.
    int32_t Number() const { return FNumber; }
    void SetNumber(int32_t Value) { FNumber = Value; }
    uint8_t PitchAndFamily() const { return FPitchAndFamily; }
    uint8_t CharSet() const { return FCharSet; }
    const QString& Name() const { return FName; }
    const TFont& Font() const { return *FFont; }

private:
    int32_t FNumber = 0;
    uint8_t FPitchAndFamily = 0;
    uint8_t FCharSet = 0;
    QString FName;
    std::unique_ptr<TFont> FFont;
};

// Writes one RTF file of a rich-text run. The file is written beside its target and renamed over it
// when complete, so a failed run leaves the earlier file as it was. The body goes into that file as
// it grows, a buffer at a time, so a long run takes no more memory than a short one; the font table
// and the page description ahead of it are known only at the end, when the body is moved up to make
// room for them. A write that fails on the way is reported by Close.
class TVyrRtfFile {
public:
    // Raises the stream error when the file cannot be created.
    explicit TVyrRtfFile(const QString& FileName);
    // Completes the file when Close never ran, swallowing any error.
    virtual ~TVyrRtfFile();
    TVyrRtfFile(const TVyrRtfFile&) = delete;
    TVyrRtfFile& operator=(const TVyrRtfFile&) = delete;

    // Closes the open groups and the document, writes the file and puts it in place; raises the
    // stream error when that fails, after removing the partial file. Later calls do nothing.
    void Close();
    // Ends without a file: whatever stood at the file's name before stays as it was.
    void Abort();

    void SetPageSetup(const TVyrPageSetup* Value);
    virtual void SetRtfFont(TVyrRtfFont* Value);
    // Takes the entry into the table, numbers it and makes it current.
    virtual void AddFont(std::unique_ptr<TVyrRtfFont> Value);
    void SetFont(const TFont& Value);
    // Appends RTF as it stands.
    void Write(const QByteArray& Rtf);
    virtual void StartBorder();
    virtual void EndBorder();
    virtual void TextOut(const QString& Text);
    // Appends the whole of Stream, which holds RTF.
    virtual void TextOutStream(TStream& Stream);
    // The header and the rest of the body into the output file.
    virtual void WriteFile();
    virtual void NewParagraph();
    virtual void PushBrace();
    virtual void PopBrace();
    // XPos in twips.
    virtual void DefineTab(int XPos, TVyrTabAlignment Alignment);
    virtual void Tab();
    // A row's stops and tabs as labels write them: each label defines the stops of its tabs, then
    // writes its tabs in the same order. A word processor's tab moves past a stop at the current
    // position, so the row's first stop, when it stands at the paragraph's start, is left out with
    // the tab that goes to it: the text then starts the line, where that stop would have put it.
    void RowTabStop(int XPos, TVyrTabAlignment Alignment);
    void RowTab();
    // Starts a paragraph of default format, and with it a new row of stops and tabs.
    void ParagraphDefault();
    // A positioned frame; all measures in twips.
    void StartFrame(int X, int Y, int W, int H);
    void EndFrame();

    const QString& FileName() const { return FFileName; }
    TWholeFileStream* WriteStream() const { return FWriteStream.get(); }
    // The part of the body not yet written to the file: all of it until it grows past a buffer.
    TMemoryStream* Stream() const { return FStream.get(); }
    const TFont& Font() const { return *FFont; }
    TVyrRtfFont* RtfFont() const { return FRtfFont; }
    const std::vector<std::unique_ptr<TVyrRtfFont>>& FontList() const { return FFontList; }
    int32_t BraceCount() const { return FBraceCount; }
    TVyrPageSetup* PageSetup() const { return FPageSetup.get(); }
    bool Border() const { return FBorder; }
    void SetBorder(bool Value) { FBorder = Value; }
    TVyrRtfBorderType BorderType() const { return FBorderType; }
    void SetBorderType(TVyrRtfBorderType Value) { FBorderType = Value; }
    bool PageBreak() const { return FPageBreak; }
    void SetPageBreak(bool Value) { FPageBreak = Value; }

private:
    // The body written so far into the file, once it fills a buffer.
    void FlushWhenFull();
    void FlushBody();
    // Moves the body written to the file up by the header's size and writes the header before it.
    void InsertHeader(TMemoryStream& Header);

    QString FFileName;
    std::unique_ptr<TWholeFileStream> FWriteStream;
    std::unique_ptr<TMemoryStream> FStream;
    std::unique_ptr<TFont> FFont;
    TVyrRtfFont* FRtfFont = nullptr; // one of FFontList
    std::vector<std::unique_ptr<TVyrRtfFont>> FFontList;
    int32_t FBraceCount = 0;
    std::unique_ptr<TVyrPageSetup> FPageSetup;
    bool FBorder = false;
    TVyrRtfBorderType FBorderType = rbtBox;
    bool FPageBreak = false;
    bool FClosed = false;
    // The row since the last ParagraphDefault: a stop was defined, a tab was written, the first stop
    // was left out.
    bool FRowHasStop = false;
    bool FRowHasTab = false;
    bool FRowLeadDropped = false;
    int64_t FBodyWritten = 0;  // the bytes of the body in the file
    bool FWriteFailed = false; // a write of the body fell short; the file's stream says why at Close

    static constexpr int64_t BodyBufferSize = 256 * 1024;
};
