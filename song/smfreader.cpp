#include "song/smfreader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace
{
// Data bytes of a channel message by the status's high nibble.
int channelDataBytes(int status)
{
    switch (status & 0xF0) {
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0:
        return 2;
    case 0xC0:
    case 0xD0:
        return 1;
    default:
        return 0;
    }
}
} // namespace

void SmfReader::setSource(const unsigned char* data, size_t size)
{
    src_ = data;
    srcSize_ = size;
    srcPos_ = 0;
}

void SmfReader::reportError(const char* text)
{
    if (cb.error) {
        cb.error(text);
        return;
    }
    std::fprintf(stderr, "Error: %s\n", text);
    std::exit(1);
}

int SmfReader::rawByte()
{
    if (src_) return srcPos_ < srcSize_ ? src_[srcPos_++] : -1;
    const int c = cb.getByte();
    return c < 0 ? -1 : (c & 0xFF);
}

int SmfReader::egetc()
{
    const int c = rawByte();
    if (c < 0) {
        if (!abort_) reportError("premature EOF");
        abort_ = true;
        return 1;
    }
    --toBeRead_;
    return c;
}

uint32_t SmfReader::read32()
{
    uint32_t v = 0;
    for (int i = 0; i < 4 && !abort_; ++i) v = (v << 8) | uint32_t(egetc());
    return v;
}

uint32_t SmfReader::read16()
{
    uint32_t v = 0;
    for (int i = 0; i < 2 && !abort_; ++i) v = (v << 8) | uint32_t(egetc());
    return v;
}

uint64_t SmfReader::readVarLen()
{
    uint64_t value = 0;
    int c;
    do {
        c = egetc();
        if (abort_) return 0;
        // Saturate instead of wrapping so a crafted quantity cannot make time run backwards.
        value = value > (UINT64_MAX >> 7) ? UINT64_MAX : (value << 7) | uint64_t(c & 0x7F);
    } while (c & 0x80);
    return value;
}

SmfReader::Magic SmfReader::readMagic(const char* magic)
{
    for (int i = 0; i < 4; ++i) {
        const int c = rawByte();
        if (c < 0) return Magic::EndOfFile;
        --toBeRead_;
        if (c != static_cast<unsigned char>(magic[i])) {
            // Some writers pad the file after the last chunk.
            if (c == 26 || c == 0) return Magic::EndOfFile;
            char text[32];
            std::snprintf(text, sizeof text, "expecting %s", magic);
            reportError(text);
            return Magic::Failed;
        }
    }
    return Magic::Found;
}

bool SmfReader::readHeader()
{
    // A wrong byte has been reported already; an empty file has not.
    const Magic magic = readMagic("MThd");
    if (magic != Magic::Found) {
        if (magic == Magic::EndOfFile && !abort_) reportError("expecting MThd");
        return false;
    }
    int64_t length = read32();
    const int format = int(read16());
    ntracks_ = int(read16());
    division_ = int(read16());
    if (abort_) return false;
    if (cb.header && cb.header(format, ntracks_, division_) == 1) return false;
    for (length -= 6; length > 0 && !abort_; --length) egetc();
    return !abort_;
}

int SmfReader::mfread()
{
    if (!src_ && !cb.getByte) {
        reportError("mfread() was called without setting Mf_getc");
        return 1;
    }
    abort_ = false;
    failed_ = false;
    track_ = 0;
    now_ = 0;
    tempo_ = 500000;
    tempoMap_.assign(1, TempoMapEntry{0, 500000});
    mapPos_ = 0;
    division_ = 96;
    ntracks_ = 0;
    msg_.clear();

    if (!readHeader()) return 1;
    // Chunks beyond the announced count are ignored: the per-track tables of
    // the callers are sized by the header.
    while (track_ < ntracks_) {
        const Magic m = readMagic("MTrk");
        if (m == Magic::Failed) return 1;
        if (m == Magic::EndOfFile) break;
        if (!readTrack()) return 1;
    }
    if (track_ == 0) {
        reportError("no track chunk");
        return 1;
    }
    return 0;
}

void SmfReader::advanceTempo()
{
    while (mapPos_ + 1 < tempoMap_.size() && tempoMap_[mapPos_ + 1].tick <= now_) {
        ++mapPos_;
        tempo_ = tempoMap_[mapPos_].tempo;
    }
}

bool SmfReader::readTrack()
{
    toBeRead_ = read32();
    if (abort_) return false;
    now_ = 0;
    mapPos_ = 0;
    tempo_ = tempoMap_[0].tempo;
    advanceTempo();
    if (cb.trackStart) cb.trackStart();

    int running = 0;
    while (toBeRead_ > 0 && !abort_ && !failed_) {
        const uint64_t delta = readVarLen();
        now_ = now_ + delta < now_ ? UINT64_MAX : now_ + delta;
        advanceTempo();
        const int c = egetc();
        if (abort_) break;
        int data1 = -1;
        if ((c & 0x80) && c < 0xF8) {
            running = c;
            if (channelDataBytes(c)) data1 = egetc();
        } else if (!(c & 0x80)) {
            if (!running) {
                reportError("unexpected running status");
                failed_ = true;
                break;
            }
            data1 = c;
        }
        if (data1 >= 0 && channelDataBytes(running)) {
            const int data2 = channelDataBytes(running) == 2 ? egetc() : 0;
            if (!abort_ && data1 <= 127) channelMessage(running, data1, data2 > 127 ? 127 : data2);
            continue;
        }
        switch (c) {
        case 0xFF: {
            const int type = egetc();
            if (readMessage(readVarLen(), false)) metaEvent(type);
            break;
        }
        case 0xF0:
            if (readMessage(readVarLen(), true) && cb.sysex) cb.sysex(msg_.size(), msg_.data());
            break;
        case 0xF7:
            if (readMessage(readVarLen(), false) && cb.arbitrary)
                cb.arbitrary(msg_.size(), msg_.data());
            break;
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "unexpected byte: 0x%02x", c);
            reportError(text);
            break;
        }
        }
    }
    if (cb.trackEnd) cb.trackEnd();
    if (abort_ || failed_) return false;
    ++track_;
    return true;
}

bool SmfReader::readMessage(uint64_t length, bool sysex)
{
    msg_.clear();
    if (sysex) msg_.push_back(0xF0);
    if (abort_) return false;
    // A length beyond the chunk would otherwise drive the allocation.
    if (length > uint64_t(toBeRead_ > 0 ? toBeRead_ : 0)) {
        char text[64];
        std::snprintf(text, sizeof text, "message length %llu exceeds its track chunk",
                      static_cast<unsigned long long>(length));
        reportError(text);
        failed_ = true;
        return false;
    }
    // The chunk's length is the file's word, not its size: grow as bytes come.
    msg_.reserve(msg_.size() + std::min<uint64_t>(length, 1u << 16));
    for (uint64_t i = 0; i < length && !abort_; ++i)
        msg_.push_back(static_cast<unsigned char>(egetc()));
    return !abort_;
}

void SmfReader::channelMessage(int status, int data1, int data2)
{
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
        if (cb.noteOff) cb.noteOff(channel, data1, data2);
        break;
    case 0x90:
        if (cb.noteOn) cb.noteOn(channel, data1, data2);
        break;
    case 0xA0:
        if (cb.keyPressure) cb.keyPressure(channel, data1, data2);
        break;
    case 0xB0:
        if (cb.parameter) cb.parameter(channel, data1, data2);
        break;
    case 0xE0:
        if (cb.pitchBend) cb.pitchBend(channel, data1, data2);
        break;
    case 0xC0:
        if (cb.program) cb.program(channel, data1);
        break;
    case 0xD0:
        if (cb.channelPressure) cb.channelPressure(channel, data1);
        break;
    default:
        break;
    }
}

void SmfReader::metaEvent(int type)
{
    const size_t len = msg_.size();
    const unsigned char* data = msg_.data();
    switch (type) {
    case 0x51:
        tempoEvent();
        break;
    case 0x2F:
        if (cb.endOfTrack) cb.endOfTrack();
        break;
    case 0x00:
        if (cb.sequenceNumber) cb.sequenceNumber(msgByte(0) * 256 + msgByte(1));
        break;
    case 0x58:
        if (cb.timeSignature) cb.timeSignature(msgByte(0), msgByte(1), msgByte(2), msgByte(3));
        break;
    case 0x54:
        if (cb.smpteOffset)
            cb.smpteOffset(msgByte(0), msgByte(1), msgByte(2), msgByte(3), msgByte(4));
        break;
    case 0x59:
        if (cb.keySignature) cb.keySignature(static_cast<signed char>(msgByte(0)), msgByte(1));
        break;
    case 0x7F:
        if (cb.sequencerSpecific) cb.sequencerSpecific(len, data);
        break;
    default:
        if (type >= 0x01 && type <= 0x0F) {
            if (cb.text) cb.text(type, len, data);
        } else if (cb.otherMeta) {
            cb.otherMeta(type, len, data);
        }
        break;
    }
}

void SmfReader::tempoEvent()
{
    const uint32_t tempo = uint32_t(msgByte(0)) << 16 | uint32_t(msgByte(1)) << 8 | msgByte(2);
    tempo_ = tempo;
    if (cb.tempo) cb.tempo(tempo);
    const TempoMapEntry& last = tempoMap_.back();
    if (last.tempo == tempo || last.tick > now_) return;
    if (int(tempoMap_.size()) < kTempoMapSize)
        tempoMap_.push_back(TempoMapEntry{now_, tempo});
    else
        tempoMap_.back() = TempoMapEntry{now_, tempo};
}
