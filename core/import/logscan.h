// The import's reader of one log file: the file's bytes go straight into
// the free end of the record store's arena, lines are handed out as views
// there, and the fields of the message being read are written in place
// just before the bytes not read yet. A message's text, which is its body
// lines as they stand in the file, thus reaches the arena without a copy
// through another buffer.
//
// Lines are read and classified exactly as ReadLogLineView reads and
// classifies them; the look-ahead of a header line 1 is a peek at bytes
// already read, not a seek back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/comment.h"
#include "core/import/headerline.h"
#include "core/import/logfilelist.h"

namespace orv {

class CLogScanner {
public:
    // file must be open and not read from yet; the scanner takes the end of
    // store's arena until it is destroyed.
    CLogScanner(CLogFileList& file, CCommentStore& store);
    ~CLogScanner();
    CLogScanner(const CLogScanner&) = delete;
    CLogScanner& operator=(const CLogScanner&) = delete;

    // The next line and its kind, as ReadLogLineView gives them: false at
    // end of file, and on a read error after showing it through prompter.
    // The view stays valid until the next call.
    bool Next(std::string_view& line, LineKind& kind, IPrompter* prompter);
    // The next line of a message body. A line that is not a MessageStart is
    // put into the message being written, with kind Other; a MessageStart is
    // given as Next gives it, and not put. False at end of file as Next.
    bool NextBody(std::string_view& line, LineKind& kind, IPrompter* prompter);
    // Puts, at once, the plain body lines from the current position on (those
    // NextBody would put as they stand, see there), stopping before the
    // first line that is not plain. For when nobody watches line by line.
    void PutPlainBody();
    // The file position after the last line handed out.
    std::uint64_t GetPosition() const { return m_readPos - (m_end - m_r); }

    // The message being written: Begin starts it empty, Put appends bytes
    // (from a line handed out, or from anywhere else), Finish points rec's
    // fields at what was written and keeps it, the text being all that
    // follows the first four fields. The bytes written go where lines
    // handed out stood: a line's bytes may be put, in order, but whatever
    // else is read from a line must be read before anything after it is put.
    void Begin();
    void Put(std::string_view bytes);
    // Removes trailing TAB, LF and CR bytes written since offset from.
    void TrimTabLfCr(std::size_t from);
    std::size_t Written() const { return m_w + m_pendLen - m_msg; }
    void Finish(CComment& rec, std::uint32_t (&len)[5]);
    // Drops what was written since Begin.
    void Abandon() {
        m_pendLen = 0;
        m_w = m_msg;
    }

private:
    // Makes sure the bytes after m_r hold two whole lines, or reach the end
    // of the file or the last good byte before a read error.
    void Prepare();
    // Moves the kept bytes (the message being written and the bytes not read
    // yet) to the start of a block with at least need free bytes after
    // them, leaving gap bytes between the two.
    void Relocate(std::size_t need, std::size_t gap);
    // The line at offset at; its content (without the bytes after a NUL) in
    // line, the offset after it in next. False when the line runs into a
    // read error.
    bool LineAt(std::size_t at, std::string_view& line, std::size_t& next, std::string& scratch);
    // Offset of the first LF after a CR (not at from itself) or NUL in
    // [from, limit), limit when there is none; limit is at most m_end.
    std::size_t NextStop(std::size_t from, std::size_t limit);
    // Puts the plain lines from m_r to end: they join the run of bytes
    // moved at once (m_pendFrom, m_pendLen).
    void PutPlainLines(std::size_t end);
    // A look for plain lines over whole 64-byte blocks.
    struct PlainScan {
        std::size_t lineStart;   // the first line not known to be plain
        bool crCarry = false;    // the byte before the block is a CR
        bool startCarry = true;  // a line starts at the block's first byte
    };
    // Moves s.lineStart past the plain lines whose CR LF lies in the block
    // at blk; false at the first line that is not plain (a digit first, a
    // NUL, over-long), with s.lineStart at its start when the lines before
    // it are plain.
    bool ScanPlainBlock(std::size_t blk, PlainScan& s) const;
    // Fills m_masks for the blocks from at.
    void ComputeMasks(std::size_t at);
    void ReleaseLeftBlocks();
    // Writes the body lines put but not moved yet.
    void Flush();

    CLogFileList& m_file;
    CCommentStore& m_store;
    char* m_base = nullptr;  // the lent end of the arena
    std::size_t m_size = 0;  // its size
    std::size_t m_msg = 0;   // start of the message being written (= the bytes to keep)
    std::size_t m_w = 0;     // end of what is written
    std::size_t m_r = 0;     // first byte not handed out yet
    // Plain body lines put but not yet moved to m_w: one run of bytes, moved
    // at once when something else is written or the bytes would move.
    std::size_t m_pendFrom = 0, m_pendLen = 0;
    std::size_t m_end = 0;        // end of the bytes read
    std::uint64_t m_readPos = 0;  // file position of m_end
    // Blocks left whole for larger ones, freed once no line handed out can
    // point into them.
    std::vector<const char*> m_leftBlocks;
    bool m_bEof = false;
    bool m_bFailed = false;
    std::string m_scratch, m_peekScratch;  // cut lines, with their added LF
    // The LF and NUL bytes of the kMaskBlocks 64-byte blocks from m_maskAt,
    // one bit each.
    static constexpr std::size_t kMaskBlocks = 8;
    static constexpr std::size_t kNoMask = ~std::size_t(0) / 2;
    std::size_t m_maskAt = kNoMask;
    std::uint64_t m_masks[kMaskBlocks] = {};
};

}  // namespace orv
