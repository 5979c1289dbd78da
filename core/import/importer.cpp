#include "core/import/importer.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <new>

#include "core/import/headerline.h"
#include "res/strings.h"

namespace orv {

namespace {

const char kImportingSuffix[] = " 取り込み中！";

// Writes the ID, author and title of header line 1 through scan, as
// ParseHeader reads them from its tokens, with their lengths in len[0..2].
void PutHeaderLine1(CLogScanner& scan, std::string_view line, std::uint32_t (&len)[5]) {
    std::size_t count = 0, authorFrom = 0, titleFrom = 0;
    ForEachToken(line.data(), line.size(), [&](std::size_t pos, std::size_t n) {
        const std::string_view token = line.substr(pos, n);
        if (count == 1) {
            scan.Put(token);
            authorFrom = titleFrom = scan.Written();
        } else if (count >= 2 && pos < kTitleColumn) {
            if (scan.Written() > authorFrom) scan.Put(" ");
            scan.Put(token);
            titleFrom = scan.Written();
        } else if (count >= 2) {
            if (scan.Written() > titleFrom) scan.Put(" ");
            scan.Put(token);
            scan.TrimTabLfCr(titleFrom);
        }
        ++count;
        return true;
    });
    len[0] = static_cast<std::uint32_t>(authorFrom);
    len[1] = static_cast<std::uint32_t>(titleFrom - authorFrom);
    len[2] = static_cast<std::uint32_t>(scan.Written() - titleFrom);
}

}  // namespace

CLogImport::CLogImport(COrvDoc& doc, CCommentStore& store, CLogFileList& list)
    : m_doc(doc), m_store(store), m_list(list), m_prompter(doc.Ports().prompter) {
    if (doc.Ports().chooser) list.SetChooser(doc.Ports().chooser);
    list.SetEncodingMode(doc.GetLogEncoding());
    list.SetCountWhenOpened(m_prompter &&
                            doc.GetConversionNotice() == COrvDoc::ConversionNotice::Ask);
}

void CLogImport::Show(int id, const std::string& arg) {
    if (m_prompter) m_prompter->MessageBox(id, res::Format(id, arg), res::Icon(id), MsgButtons::Ok);
}

COrvDoc::ImportEnd CLogImport::Run() {
    try {
        for (std::size_t i = 0;; ++i) {
            if (m_bCancelled || !m_list.OpenLogFile(i)) return EndAfterFiles(i);
            m_current = COrvDoc::ImportStop{m_list.GetFilePath()};
            if (!MayConvert()) {
                m_list.Close();
                continue;
            }
            const FileEnd end = ImportFile();
            NoteConversion();
            if (end == FileEnd::NotALog) return EndAs(COrvDoc::ImportEnd::NotALog);
            NoteReadError();
            m_list.Close();
        }
    } catch (const std::bad_alloc&) {
        m_list.Close();
        if (!m_stop.readErr) m_stop = m_current;
        Show(res::IDS_OUT_OF_MEMORY);
        return COrvDoc::ImportEnd::OutOfMemory;
    }
}

COrvDoc::ImportEnd CLogImport::EndAfterFiles(std::size_t filesOpened) {
    m_list.Close();
    if (m_bCancelled) Show(res::IDS_IMPORT_CANCELLED);
    if (filesOpened > 0) m_doc.BuildTree();
    return EndAs(m_bCancelled       ? COrvDoc::ImportEnd::Cancelled
                 : filesOpened == 0 ? COrvDoc::ImportEnd::NoFile
                 : m_bAnyStopped    ? COrvDoc::ImportEnd::DuplicateStopped
                                    : COrvDoc::ImportEnd::Normal);
}

void CLogImport::NoteReadError() {
    // A file that could not be read to its end counts as ended there; the
    // first such file is the one reported.
    if (!m_list.Failed() || m_stop.readErr) return;
    m_stop = m_current;
    m_stop.readErr = m_list.ReadError() ? m_list.ReadError() : EIO;
}

bool CLogImport::MayConvert() {
    const LogForm& form = m_list.Form();
    if (!form.Converted() || !m_prompter ||
        m_doc.GetConversionNotice() != COrvDoc::ConversionNotice::Ask)
        return true;
    // The question comes before the file is read: one pass of its own
    // counts what the conversion will replace.
    const std::uint64_t replaced = m_list.CountReplacements();
    if (replaced == 0) return true;
    const int id = res::IDS_IMPORT_CONVERT_ASK;
    const std::string text =
        res::FormatArgs(id, {m_list.GetFileName(), FormName(form), std::to_string(replaced)});
    return m_prompter->MessageBox(id, text, res::Icon(id), MsgButtons::YesNo) == MsgAnswer::Yes;
}

void CLogImport::NoteConversion() {
    if (!m_list.Form().Converted()) return;
    m_conversions.push_back(COrvDoc::ConvertedLog{m_list.GetFilePath(), m_list.Form(),
                                                  m_list.Replaced(), m_list.FirstReplacedLine()});
}

void CLogImport::ShowConversions() {
    if (m_conversions.empty() || !m_prompter ||
        m_doc.GetConversionNotice() != COrvDoc::ConversionNotice::Ask)
        return;
    std::string lines;
    for (const COrvDoc::ConvertedLog& log : m_conversions) {
        if (!lines.empty()) lines += '\n';
        std::size_t slash = log.path.find_last_of("/\\");
        lines += slash == std::string::npos ? log.path : log.path.substr(slash + 1);
        lines += ": " + FormName(log.form);
        if (log.replaced)
            lines += "、〓 " + std::to_string(log.replaced) + " 個 (最初は " +
                     std::to_string(log.firstLine) + " 行目)";
    }
    Show(res::IDS_IMPORT_CONVERTED, lines);
}

COrvDoc::ImportEnd CLogImport::EndAs(COrvDoc::ImportEnd end) {
    ShowConversions();
    NoteReadError();
    if (!m_stop.readErr) m_stop = m_current;
    m_list.Close();
    return m_stop.readErr && end != COrvDoc::ImportEnd::Cancelled ? COrvDoc::ImportEnd::ReadError
                                                                  : end;
}

CLogImport::FileEnd CLogImport::ImportFile() {
    m_fileName = m_list.GetFileName();
    m_length = m_list.GetLength();
    m_bOverwriteAll = false;
    m_nextStep = 0;
    CProgress progress(m_doc.Ports().progress, false);
    progress.SetCaption(m_fileName + kImportingSuffix);
    m_pProgress = &progress;
    // The file's bytes go straight into the arena; each message's fields
    // are written there in place (ID, author, title, date, then the body
    // lines as they stand).
    CLogScanner scan(m_list, m_store);
    if (!FindFirstMessage(scan)) return NotALog();
    while (m_kind == LineKind::MessageStart && !m_bCancelled) {
        Message msg;
        msg.number = ParseLeadingInt(m_line.data(), m_line.size());
        m_current.number = msg.number;
        m_current.haveNumber = true;
        msg.existing = m_doc.FindByNumber(msg.number);
        if (msg.existing && !MayOverwrite()) {
            m_bAnyStopped = true;
            break;
        }
        if (!ReadHeader(scan, msg)) return NotALog();
        PlaceRecord(msg);
        ReadBody(scan);
        FinishRecord(scan, msg);
    }
    return FileEnd::Done;
}

CLogImport::FileEnd CLogImport::NotALog() {
    // Said while the file's progress dialog is still up.
    Show(res::IDS_NOT_A_LOG, m_fileName);
    return FileEnd::NotALog;
}

bool CLogImport::FindFirstMessage(CLogScanner& scan) {
    while (scan.Next(m_line, m_kind, m_prompter))
        if (m_kind == LineKind::MessageStart) return true;
    return false;
}

bool CLogImport::MayOverwrite() {
    // Asked once per file: Yes holds for every later duplicate of the file.
    if (m_bOverwriteAll) return true;
    const int id = res::IDS_IMPORT_DUPLICATE;
    const std::string text = res::Format(id, m_fileName);
    const COrvDoc::DuplicatePolicy policy = m_doc.GetDuplicatePolicy();
    bool yes = false;
    if (policy == COrvDoc::DuplicatePolicy::Ask) {
        yes = m_prompter &&
              m_prompter->MessageBox(id, text, res::Icon(id), MsgButtons::YesNo) == MsgAnswer::Yes;
    } else {
        // Decided by the caller: the user is told what happens.
        if (m_prompter) m_prompter->MessageBox(id, text, res::Icon(id), MsgButtons::Ok);
        yes = policy == COrvDoc::DuplicatePolicy::Overwrite;
    }
    m_bOverwriteAll = yes;
    return yes;
}

bool CLogImport::ReadHeader(CLogScanner& scan, Message& msg) {
    // An overwrite that changes a record marks the document modified, so
    // that closing asks to save what it brought. The old bytes stay in the
    // arena until the next reclaim.
    if (CComment* e = msg.existing) {
        msg.before[0] = e->GetId();
        msg.before[1] = e->GetAuthor();
        msg.before[2] = e->GetTitle();
        msg.before[3] = e->GetDateTime();
        msg.before[4] = e->GetText();
    }
    // ID, author and title from header line 1, before the next read may
    // move the line.
    scan.Begin();
    PutHeaderLine1(scan, m_line, msg.len);

    std::string_view line2;
    LineKind kind2 = LineKind::Other;
    if (!scan.Next(line2, kind2, m_prompter) || kind2 != LineKind::HeaderLine2) {
        if (msg.existing) {
            scan.Put(msg.before[3]);
            msg.len[3] = static_cast<std::uint32_t>(msg.before[3].size());
            scan.Finish(*msg.existing, msg.len);
            m_doc.SetModifiedFlag();
        } else {
            scan.Abandon();
        }
        return false;
    }
    // The parent is looked up before the date is written: the date may
    // land on the first bytes of header line 2.
    const std::size_t marker = FindMbcs(line2, kCommentMarker);
    msg.parent = marker != std::string::npos ? m_doc.FindParentOf(line2, marker) : nullptr;
    const std::string_view dateTime =
        TrimSpace(line2.size() > 5 ? line2.substr(5, 17) : std::string_view());
    scan.Put(dateTime);
    msg.len[3] = static_cast<std::uint32_t>(dateTime.size());
    return true;
}

void CLogImport::PlaceRecord(Message& msg) {
    if (!msg.existing) msg.fresh = &m_doc.NewRecord();
    CComment& rec = msg.existing ? *msg.existing : *msg.fresh;
    rec.SetNumber(msg.number);
    if (msg.parent && msg.fresh) {
        m_doc.AddReplyTo(*msg.parent, *msg.fresh);
        m_doc.SetModifiedFlag();
    }
}

void CLogImport::ReadBody(CLogScanner& scan) {
    m_kind = LineKind::Other;
    for (;;) {
        // With no dialog to move or ask, plain lines go in runs.
        if (!m_pProgress->Watched()) scan.PutPlainBody();
        if (!scan.NextBody(m_line, m_kind, m_prompter)) return;
        if (m_kind == LineKind::MessageStart) return;
        MoveProgress(scan.GetPosition());
        if (m_pProgress->CheckCancel()) m_bCancelled = AskCancel();
        if (m_bCancelled) {
            m_kind = LineKind::Other;
            return;
        }
    }
}

void CLogImport::MoveProgress(std::uint64_t position) {
    position = m_list.SourcePosition(position);
    if (position < m_nextStep) return;
    const int percent = Percent(position, m_length);
    m_pProgress->SetPos(percent);
    m_nextStep = m_length / 100 * static_cast<std::uint64_t>(percent + 1);
    while (m_nextStep < m_length && Percent(m_nextStep, m_length) <= percent) ++m_nextStep;
}

bool CLogImport::AskCancel() {
    const int id = res::IDS_IMPORT_ASK_CANCEL;
    if (!m_prompter) return true;
    return m_prompter->MessageBox(id, res::Text(id), res::Icon(id), MsgButtons::YesNo) ==
           MsgAnswer::Yes;
}

void CLogImport::FinishRecord(CLogScanner& scan, Message& msg) {
    CComment& rec = msg.existing ? *msg.existing : *msg.fresh;
    scan.Finish(rec, msg.len);
    const std::string_view now[5] = {rec.GetId(), rec.GetAuthor(), rec.GetTitle(),
                                     rec.GetDateTime(), rec.GetText()};
    if (msg.existing && !std::equal(std::begin(now), std::end(now), std::begin(msg.before)))
        m_doc.SetModifiedFlag();
    if (msg.fresh && !msg.parent) {
        m_doc.AddRoot(*msg.fresh);
        m_doc.SetModifiedFlag();
    }
}

}  // namespace orv
