// The log files of one import: an ordered list of full paths, and the one
// file of it that is open for reading, read through a buffer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/import/convertahead.h"
#include "core/import/logconvert.h"
#include "core/import/logform.h"
#include "core/ports.h"

namespace orv {

class CLogFileList {
public:
    CLogFileList() = default;
    explicit CLogFileList(std::vector<std::string> paths) : m_paths(std::move(paths)) {}
    ~CLogFileList();
    CLogFileList(const CLogFileList&) = delete;
    CLogFileList& operator=(const CLogFileList&) = delete;

    void SetChooser(ILogFileChooser* chooser) { m_chooser = chooser; }
    void Add(std::string path) { m_paths.push_back(std::move(path)); }
    const std::vector<std::string>& Paths() const { return m_paths; }
    std::size_t GetCount() const { return m_paths.size(); }

    // Opens file i for reading (closing the one open before). For i == 0 an
    // empty list is first filled by the chooser, and a list of several files
    // is offered for reordering. False past the end, on a failed open, or
    // when the user cancels; Cancelled() tells the last case apart.
    bool OpenLogFile(std::size_t i);
    bool Cancelled() const { return m_bCancelled; }
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    // What the files are read as (Auto unless set). Each file opened is
    // first looked at (CLogFormDetector); one in another form than CP932
    // with CR LF is then read converted to it: every read, position and
    // seek below is of the converted bytes. Cp932 reads the bytes as they
    // are, without looking.
    void SetEncodingMode(LogEncodingMode mode) { m_mode = mode; }
    // The open file's form.
    const LogForm& Form() const { return m_form; }
    // For a converted file: the characters replaced by 〓 in what was read
    // so far, and the line of the first (0 if none).
    std::uint64_t Replaced() const { return m_replaced; }
    std::uint64_t FirstReplacedLine() const { return m_firstLine; }
    // Whether CountReplacements will be asked: a large file is then counted
    // in the pass that looks at it when it is opened.
    void SetCountWhenOpened(bool count) { m_bCountWhenOpened = count; }
    // The characters the reading of the open file will replace (0 for a
    // file that is not converted): converted once, only to count, unless
    // counted when it was opened.
    std::uint64_t CountReplacements();
    // The position in the file's own bytes that position (of the bytes
    // read) stands for, near enough for a progress bar.
    std::uint64_t SourcePosition(std::uint64_t position) const;

    // The next byte, or -1 at end of file or on a read error (Failed()).
    int GetByte() {
        if (m_bufPos < m_bufLen) return static_cast<unsigned char>(m_buf[m_bufPos++]);
        return Refill();
    }
    std::uint64_t GetPosition() const { return m_bufStart + m_bufPos; }
    std::uint64_t GetLength() const { return m_length; }
    bool Seek(std::uint64_t pos);
    bool Failed() const { return m_bFailed; }
    // The errno of the read error that set Failed().
    int ReadError() const { return m_readErr; }
    // Test hook: every read of a log at or past offset fails with EIO, as a
    // failing disk would; the bytes before it read normally.
    static void FailReadsFrom(std::uint64_t offset);
    static void StopFailingReads();
    // Reads bytes up to and including the next CR LF, at most maxBytes of
    // them, into line (emptied first). When maxBytes are gathered without a
    // line end, the line is ended with LF and the next byte is left for the
    // next read (a CR LF split by the cut still ends the line normally).
    void ReadRawLine(std::string& line, std::size_t maxBytes);
    // The same line as a view: into the read buffer when the whole line is
    // there (valid until the next read or seek), else into scratch.
    std::string_view ReadRawLineView(std::string& scratch, std::size_t maxBytes);
    // Reads up to n bytes into dst, the buffered ones first; fewer only at
    // end of file or on a read error (Failed()).
    std::size_t ReadBytes(char* dst, std::size_t n);
    // The open file's name without its folder.
    std::string GetFileName() const;
    const std::string& GetFilePath() const { return m_current; }

private:
    int Refill();
    bool Fill();
    // Up to n bytes of the file at position pos (of the converted bytes
    // when the file is converted, which are read in order).
    std::size_t ReadFromFile(char* dst, std::size_t n, std::uint64_t pos);
    // fread of up to n bytes of f at file position pos, setting err on a
    // read error (also when the test hook fails it).
    static std::size_t ReadRaw(std::FILE* f, char* dst, std::size_t n, std::uint64_t pos, int& err);
    // Looks at the open file and sets m_form, then starts its conversion.
    void DetectForm();
    std::size_t ReadConverted(char* dst, std::size_t n);
    bool SeekConverted(std::uint64_t pos);
    // The converter at the start of the file.
    void RestartConversion();

    std::vector<std::string> m_paths;
    ILogFileChooser* m_chooser = nullptr;
    bool m_bCancelled = false;

    std::FILE* m_file = nullptr;
    std::string m_current;
    std::uint64_t m_length = 0;
    std::vector<char> m_buf;
    std::uint64_t m_bufStart = 0;  // file position of m_buf[0]
    std::size_t m_bufPos = 0;
    std::size_t m_bufLen = 0;
    bool m_bFailed = false;
    int m_readErr = 0;

    LogEncodingMode m_mode = LogEncodingMode::Auto;
    LogForm m_form;
    // A converted file: its conversion running ahead (made at the first
    // read, so that the file is its own until then), the piece taken from
    // it, the file's bytes behind the pieces taken and the converted bytes
    // handed out.
    bool m_bConverted = false;
    std::unique_ptr<CConvertAhead> m_ahead;
    std::string m_convOut;
    std::uint64_t m_replaced = 0;
    std::uint64_t m_firstLine = 0;
    std::size_t m_convOutPos = 0;
    std::uint64_t m_rawPos = 0;
    std::uint64_t m_convPos = 0;
    bool m_bRawEnd = false;
    // What the conversion replaces, once counted.
    bool m_bCountWhenOpened = false;
    bool m_bCounted = false;
    std::uint64_t m_counted = 0;
};

}  // namespace orv
