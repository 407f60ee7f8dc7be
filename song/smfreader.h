#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Reader of Standard MIDI Files (formats 0 and 1) that reports what it finds
// through callbacks; every callback but the byte source is optional. It keeps
// a tempo map across tracks so each event can be stamped with its tempo.
class SmfReader
{
public:
    struct Callbacks {
        std::function<int()> getByte; // next byte 0..255, or -1 at end of file
        std::function<void(const char* text)> error;
        std::function<int(int format, int ntracks, int division)> header; // 1 = refuse
        std::function<void()> trackStart;
        std::function<void()> trackEnd;
        std::function<void(int channel, int note, int velocity)> noteOff;
        std::function<void(int channel, int note, int velocity)> noteOn;
        std::function<void(int channel, int note, int pressure)> keyPressure;
        std::function<void(int channel, int param, int value)> parameter;
        std::function<void(int channel, int lsb, int msb)> pitchBend;
        std::function<void(int channel, int program)> program;
        std::function<void(int channel, int pressure)> channelPressure;
        std::function<void(size_t length, const unsigned char* message)> sysex;
        std::function<void(size_t length, const unsigned char* data)> arbitrary;
        std::function<void(int type, size_t length, const unsigned char* text)> text;
        std::function<void()> endOfTrack;
        std::function<void(int number)> sequenceNumber;
        std::function<void(int nn, int dd, int cc, int bb)> timeSignature;
        std::function<void(int hr, int mn, int se, int fr, int ff)> smpteOffset;
        std::function<void(uint32_t tempo)> tempo;
        std::function<void(int sharpsOrFlats, int mode)> keySignature;
        std::function<void(size_t length, const unsigned char* data)> sequencerSpecific;
        std::function<void(int type, size_t length, const unsigned char* data)> otherMeta;
    };

    struct TempoMapEntry {
        uint64_t tick;
        uint32_t tempo;
    };
    static constexpr int kTempoMapSize = 512;

    Callbacks cb;

    // Reads from memory instead of getByte; the bytes must outlive mfread().
    void setSource(const unsigned char* data, size_t size);

    // 0 on success, 1 on failure.
    int mfread();

    uint64_t currentTime() const { return now_; }
    int currentTrack() const { return track_; }
    uint32_t currentTempo() const { return tempo_; }
    int division() const { return division_; }
    const std::vector<TempoMapEntry>& tempoMap() const { return tempoMap_; }

private:
    enum class Magic { Found, EndOfFile, Failed };

    int rawByte();
    int egetc();
    uint32_t read32();
    uint32_t read16();
    uint64_t readVarLen();
    Magic readMagic(const char* magic);
    bool readHeader();
    bool readTrack();
    bool readMessage(uint64_t length, bool sysex);
    void channelMessage(int status, int data1, int data2);
    void metaEvent(int type);
    void tempoEvent();
    void advanceTempo();
    void reportError(const char* text);
    unsigned char msgByte(size_t i) const { return i < msg_.size() ? msg_[i] : 0; }

    const unsigned char* src_ = nullptr;
    size_t srcSize_ = 0;
    size_t srcPos_ = 0;

    int64_t toBeRead_ = 0;
    uint64_t now_ = 0;
    int track_ = 0;
    uint32_t tempo_ = 500000;
    int division_ = 96;
    int ntracks_ = 0;
    bool abort_ = false;
    bool failed_ = false; // a fatal format error inside a track
    std::vector<TempoMapEntry> tempoMap_;
    size_t mapPos_ = 0; // the entry in effect for the current track
    std::vector<unsigned char> msg_;
};
