// The log files of one import: an ordered list of full paths, and the one
// file of it that is open for reading, read through a buffer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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
    // fread of up to n bytes at file position pos, noting a read error.
    std::size_t ReadFromFile(char* dst, std::size_t n, std::uint64_t pos);

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
};

}  // namespace orv
