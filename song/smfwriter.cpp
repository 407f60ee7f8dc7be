#include "song/smfwriter.h"

#include <cerrno>

void SmfWriter::report(const char* text)
{
    if (cb.error)
        cb.error(text);
    else
        std::fprintf(stderr, "%s\n", text);
}

int SmfWriter::putByte(int byte)
{
    if (!cb.putByte) {
        report("Mf_putc undefined");
        putFailed_ = true;
        return -1;
    }
    const int r = cb.putByte(byte & 0xFF);
    if (r == -1) {
        if (!putFailed_) report("error writing");
        putFailed_ = true;
        return -1;
    }
    ++byteCount_;
    return r;
}

void SmfWriter::write32(uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) putByte(int((v >> shift) & 0xFF));
}

void SmfWriter::write16(uint32_t v)
{
    putByte(int((v >> 8) & 0xFF));
    putByte(int(v & 0xFF));
}

void SmfWriter::writeVarLen(uint64_t value)
{
    unsigned char groups[10];
    int n = 0;
    do {
        groups[n++] = static_cast<unsigned char>(value & 0x7F);
        value >>= 7;
    } while (value);
    while (n > 1) putByte(groups[--n] | 0x80);
    putByte(groups[0]);
}

int SmfWriter::writeMidiEvent(uint64_t delta, int type, int channel, const unsigned char* data,
                              uint32_t size)
{
    writeVarLen(delta);
    int status;
    if (type == 0xF0 || type == 0xF7) {
        runningStatus_ = 0;
        status = type;
    } else {
        if (channel > 15) {
            errno = EINVAL;
            std::perror("error: MIDI channel greater than 16\n");
        }
        status = type | (channel & 0x0F);
    }
    if (status != runningStatus_) {
        putByte(status);
        if (type != 0xF0 && type != 0xF7) runningStatus_ = status;
    }
    if (type == 0xF0 || type == 0xF7) writeVarLen(size);
    for (uint32_t i = 0; i < size; ++i) putByte(data[i]);
    return int(size);
}

int SmfWriter::writeMetaEvent(uint64_t delta, int metaType, const unsigned char* data,
                              uint32_t size)
{
    writeVarLen(delta);
    putByte(0xFF);
    putByte(metaType);
    writeVarLen(size);
    for (uint32_t i = 0; i < size; ++i)
        if (putByte(data[i]) == -1) break;
    runningStatus_ = 0xFF;
    return int(size);
}

void SmfWriter::writeTempo(uint64_t delta, uint32_t tempo)
{
    writeVarLen(delta);
    putByte(0xFF);
    putByte(0x51);
    putByte(0x03);
    putByte(int((tempo >> 16) & 0xFF));
    putByte(int((tempo >> 8) & 0xFF));
    putByte(int(tempo & 0xFF));
    runningStatus_ = 0xFF;
}

int SmfWriter::mfwrite(int format, int ntracks, int division, FILE* fp)
{
    if (!cb.putByte) {
        report("mfwrite() called without setting Mf_putc");
        return 1;
    }
    if (!cb.writeTrack) {
        report("mfwrite() called without setting Mf_writetrack");
        return 1;
    }
    putFailed_ = false;
    static const unsigned char mthd[] = {'M', 'T', 'h', 'd'};
    static const unsigned char mtrk[] = {'M', 'T', 'r', 'k'};
    for (unsigned char c : mthd) putByte(c);
    write32(6);
    write16(uint32_t(format));
    write16(uint32_t(ntracks));
    write16(uint32_t(division));
    runningStatus_ = 0;

    for (int track = 0; track < ntracks; ++track) {
        runningStatus_ = 0;
        const long start = std::ftell(fp);
        for (unsigned char c : mtrk) putByte(c);
        write32(0);
        byteCount_ = 0;
        cb.writeTrack(track);
        const uint32_t length = byteCount_;
        std::fflush(fp);
        const long end = std::ftell(fp);
        if (start < 0 || end < 0 || std::fseek(fp, start, SEEK_SET) != 0) {
            report("error seeking during final stage of write");
            return 1;
        }
        for (unsigned char c : mtrk) putByte(c);
        write32(length);
        if (std::fseek(fp, end, SEEK_SET) != 0) {
            report("error seeking during final stage of write");
            return 1;
        }
    }
    return putFailed_ ? 1 : 0;
}
