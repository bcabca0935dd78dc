#ifndef SIM_RECORD_RECORDFILE_H
#define SIM_RECORD_RECORDFILE_H

#include <zstd.h>

#include <cstdio>
#include <string>

// A recording on disk: the record lines, zstd-compressed as a sequence of independent frames,
// each holding whole lines. A frame is ended and flushed regularly, so a reader can follow the
// file while it is being written and a killed writer loses at most the frame it had open.
// `zstd -dc FILE` prints the lines.

class RecordFileWriter {
  public:
    RecordFileWriter() = default;
    ~RecordFileWriter() { Close(); }
    RecordFileWriter(const RecordFileWriter&) = delete;
    RecordFileWriter& operator=(const RecordFileWriter&) = delete;

    // Creates (or truncates) the file. False with `error` on failure.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return file_ != nullptr; }
    // Adds one line (the line end is added). False once a write failed.
    bool WriteLine(const std::string& line);
    // Ends the open frame and hands it to the file system: what was written is now readable.
    bool EndFrame();
    // Ends the frame and closes the file.
    bool Close();
    long long BytesWritten() const { return bytesWritten_; }  // compressed

  private:
    bool Compress(const char* data, size_t size, ZSTD_EndDirective mode);

    std::FILE* file_ = nullptr;
    ZSTD_CCtx* cctx_ = nullptr;
    bool frameOpen_ = false;
    bool failed_ = false;
    long long bytesWritten_ = 0;
    std::string out_;
};

// The longest line a reader takes (a cycle of 22 robots with its events is some 6 kB): a longer
// one is no recording's.
const size_t kMaxRecordLineBytes = 4 << 20;

class RecordFileReader {
  public:
    enum Result { kLine, kEnd, kError };

    RecordFileReader() = default;
    ~RecordFileReader();
    RecordFileReader(const RecordFileReader&) = delete;
    RecordFileReader& operator=(const RecordFileReader&) = delete;

    bool Open(const std::string& path, std::string& error);
    // The next line (without its end). kEnd at the end of what has been written so far: a
    // later call picks up what the writer added since. kError on corrupt data or a line longer
    // than kMaxRecordLineBytes (Error()).
    Result NextLine(std::string& line);
    const std::string& Error() const { return error_; }
    // Lines returned so far: the number of the latest one.
    long LineNumber() const { return lines_; }
    // True when the file ends inside a frame (a writer still at work, or one that was killed).
    bool InsideFrame() const { return inFrame_; }

  private:
    std::FILE* file_ = nullptr;
    ZSTD_DCtx* dctx_ = nullptr;
    std::string in_;  // compressed bytes not yet decompressed
    size_t inUsed_ = 0;
    std::string text_;  // decompressed bytes not yet returned
    size_t textUsed_ = 0;
    size_t scanned_ = 0;  // text_ before this holds no line end after textUsed_
    long lines_ = 0;
    bool inFrame_ = false;
    bool outputPending_ = false;
    std::string error_;
};

#endif
