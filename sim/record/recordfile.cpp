#include "sim/record/recordfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Level 6 keeps a 10-minute 9 v 9 match below 30 MB even when every joint of every robot
// moves all the time (2.8 MB per simulated minute in bench_record; level 3: 3.1 MB) for about
// 30 us more per cycle.
const int kCompressionLevel = 6;

}  // namespace

bool RecordFileWriter::Open(const std::string& path, std::string& error) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    cctx_ = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(cctx_, ZSTD_c_compressionLevel, kCompressionLevel);
    ZSTD_CCtx_setParameter(cctx_, ZSTD_c_checksumFlag, 1);
    failed_ = false;
    frameOpen_ = false;
    bytesWritten_ = 0;
    return true;
}

bool RecordFileWriter::Compress(const char* data, size_t size, ZSTD_EndDirective mode) {
    if (!file_ || failed_) return false;
    ZSTD_inBuffer in = {data, size, 0};
    out_.resize(ZSTD_CStreamOutSize());
    bool done = false;
    while (!done) {
        ZSTD_outBuffer out = {&out_[0], out_.size(), 0};
        const size_t remaining = ZSTD_compressStream2(cctx_, &out, &in, mode);
        if (ZSTD_isError(remaining)) {
            failed_ = true;
            return false;
        }
        if (out.pos > 0 && std::fwrite(out_.data(), 1, out.pos, file_) != out.pos) {
            failed_ = true;
            return false;
        }
        bytesWritten_ += static_cast<long long>(out.pos);
        done = mode == ZSTD_e_continue ? in.pos == in.size : remaining == 0;
    }
    return true;
}

bool RecordFileWriter::WriteLine(const std::string& line) {
    frameOpen_ = true;
    return Compress(line.data(), line.size(), ZSTD_e_continue) &&
           Compress("\n", 1, ZSTD_e_continue);
}

bool RecordFileWriter::EndFrame() {
    if (!file_ || failed_) return false;
    if (frameOpen_ && !Compress(nullptr, 0, ZSTD_e_end)) return false;
    frameOpen_ = false;
    if (std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

bool RecordFileWriter::Close() {
    if (!file_) return true;
    bool ok = EndFrame();
    if (std::fclose(file_) != 0) ok = false;
    file_ = nullptr;
    ZSTD_freeCCtx(cctx_);
    cctx_ = nullptr;
    return ok;
}

RecordFileReader::~RecordFileReader() {
    if (file_) std::fclose(file_);
    ZSTD_freeDCtx(dctx_);
}

bool RecordFileReader::Open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    dctx_ = ZSTD_createDCtx();
    return true;
}

RecordFileReader::Result RecordFileReader::NextLine(std::string& line) {
    if (!file_) return kError;
    if (!error_.empty()) return kError;
    for (;;) {
        // Each byte is looked at once, however long the line.
        const size_t end = text_.find('\n', std::max(scanned_, textUsed_));
        if (end != std::string::npos) {
            line.assign(text_, textUsed_, end - textUsed_);
            textUsed_ = scanned_ = end + 1;
            ++lines_;
            if (line.size() <= kMaxRecordLineBytes) return kLine;
        }
        if (end != std::string::npos || text_.size() - textUsed_ > kMaxRecordLineBytes) {
            error_ = "line " + std::to_string(lines_ + (end == std::string::npos)) +
                     " is longer than " + std::to_string(kMaxRecordLineBytes >> 20) +
                     " MiB: not a recording";
            return kError;
        }
        text_.erase(0, textUsed_);
        textUsed_ = 0;
        scanned_ = text_.size();
        if (inUsed_ == in_.size() && !outputPending_) {
            in_.clear();
            inUsed_ = 0;
            char buf[1 << 16];
            const size_t got = std::fread(buf, 1, sizeof(buf), file_);
            if (got == 0) {
                std::clearerr(file_);  // a writer may add more: the next call reads again
                return kEnd;
            }
            in_.assign(buf, got);
        }
        ZSTD_inBuffer in = {in_.data(), in_.size(), inUsed_};
        std::string out(ZSTD_DStreamOutSize(), '\0');
        ZSTD_outBuffer o = {&out[0], out.size(), 0};
        const size_t hint = ZSTD_decompressStream(dctx_, &o, &in);
        if (ZSTD_isError(hint)) {
            error_ = std::string("corrupt recording: ") + ZSTD_getErrorName(hint);
            return kError;
        }
        inUsed_ = in.pos;
        inFrame_ = hint != 0;
        outputPending_ = o.pos == o.size;  // the decompressor may hold more
        text_.append(out.data(), o.pos);
    }
}
