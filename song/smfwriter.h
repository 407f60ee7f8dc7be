#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

// Writer of Standard MIDI Files: the header, then one track chunk per track
// whose events the writeTrack callback emits with the primitives below; each
// chunk's length is patched in afterwards.
class SmfWriter
{
public:
    struct Callbacks {
        std::function<int(int byte)> putByte; // the byte, or -1 on failure
        std::function<int(int track)> writeTrack;
        std::function<void(const char* text)> error;
    };

    Callbacks cb;

    // 0 on success, 1 when anything could not be written or the file could
    // not be patched.
    int mfwrite(int format, int ntracks, int division, FILE* fp);

    void writeVarLen(uint64_t value);
    int writeMidiEvent(uint64_t delta, int type, int channel, const unsigned char* data,
                       uint32_t size);
    int writeMetaEvent(uint64_t delta, int metaType, const unsigned char* data, uint32_t size);
    void writeTempo(uint64_t delta, uint32_t tempo);

    uint32_t byteCount() const { return byteCount_; }
    bool putFailed() const { return putFailed_; }

private:
    int putByte(int byte);
    void write32(uint32_t v);
    void write16(uint32_t v);
    void report(const char* text);

    uint32_t byteCount_ = 0;
    int runningStatus_ = 0;
    bool putFailed_ = false;
};
