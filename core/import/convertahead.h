// Reads and converts a log a few pieces ahead of the reader, so that
// decoding another encoding costs the import little more than reading the
// file: the reader takes each piece as it comes. A thread of its own
// converts the pieces; the file's bytes are read by whichever thread would
// otherwise wait, one at a time and in order. It holds at most a few
// pieces, never the whole log.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/import/logform.h"

namespace orv {

class CConvertAhead {
public:
    // One converted piece and what stood behind it when it was made.
    struct Piece {
        std::string bytes;            // converted
        std::uint64_t rawEnd = 0;     // the file's bytes read up to here
        std::uint64_t replaced = 0;   // characters replaced so far, and the
        std::uint64_t firstLine = 0;  // line of the first
        bool end = false;             // the last piece of the file
        int readErr = 0;              // a read error (errno) met at its end
        std::exception_ptr thrown;    // the converting thread ran out of memory
    };
    // Reads up to n bytes at the file's position pos into dst; err set on
    // a read error.
    using ReadFn =
        std::function<std::size_t(char* dst, std::size_t n, std::uint64_t pos, int& err)>;

    // Starts converting the file in form from its start, reading by read
    // (on the thread that calls Next).
    CConvertAhead(const LogForm& form, ReadFn read);
    // Stops the thread (between pieces) and waits for it.
    ~CConvertAhead();
    CConvertAhead(const CConvertAhead&) = delete;
    CConvertAhead& operator=(const CConvertAhead&) = delete;

    // The next piece, reading the file's bytes ahead rather than waiting; a
    // piece thrown on is rethrown.
    Piece Next();
    // The bytes of a piece taken and read, to be filled again: a buffer
    // used again has its memory mapped and in the cache already.
    void GiveBack(std::string&& bytes);

private:
    static constexpr std::size_t kAhead = 4;     // converted pieces waiting
    static constexpr std::size_t kRawAhead = 2;  // read pieces waiting
    // The file's bytes of one piece as read.
    struct Raw {
        std::string bytes;
        std::uint64_t end = 0;  // the file's bytes read up to here
        bool last = false;
        int readErr = 0;
    };
    void Run(const LogForm& form);
    // The next raw piece for the converting thread, read by it when none
    // was read ahead; false once stopped.
    bool TakeRaw(Raw& raw);
    // Reads the next piece of the file (the lock let go meanwhile).
    Raw ReadOne(std::unique_lock<std::mutex>& lock);
    bool Push(Piece&& piece);  // false once stopped
    std::string Spare(std::vector<std::string>& spare);

    ReadFn m_read;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Raw> m_raw;
    std::deque<Piece> m_pieces;
    std::vector<std::string> m_spare, m_spareRaw;
    std::uint64_t m_rawPos = 0;
    bool m_bReadAll = false;
    bool m_bReading = false;  // a thread is reading the file
    bool m_bStopped = false;
    std::thread m_thread;
};

}  // namespace orv
