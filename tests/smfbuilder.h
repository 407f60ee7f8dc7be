#pragma once

#include <QByteArray>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Builds Standard MIDI File bytes for tests, independently of the program's writer.
QByteArray varLen(uint64_t value);

class TrackBuilder
{
public:
    // Channel statuses are written only when they change.
    explicit TrackBuilder(bool runningStatus = false) : running_(runningStatus) {}

    TrackBuilder& channel(uint32_t delta, int status, std::initializer_list<int> data);
    TrackBuilder& on(uint32_t delta, int ch, int note, int vel)
    {
        return channel(delta, 0x90 | ch, {note, vel});
    }
    TrackBuilder& off(uint32_t delta, int ch, int note, int vel = 64)
    {
        return channel(delta, 0x80 | ch, {note, vel});
    }
    TrackBuilder& meta(uint32_t delta, int type, const QByteArray& data);
    TrackBuilder& text(uint32_t delta, int type, const std::string& s)
    {
        return meta(delta, type, QByteArray(s.data(), int(s.size())));
    }
    TrackBuilder& tempo(uint32_t delta, uint32_t usec)
    {
        return meta(delta, 0x51, bytes({int(usec >> 16), int(usec >> 8), int(usec)}));
    }
    TrackBuilder& timeSig(uint32_t delta, int nn, int dd, int cc = 24, int bb = 8)
    {
        return meta(delta, 0x58, bytes({nn, dd, cc, bb}));
    }
    TrackBuilder& keySig(uint32_t delta, int sf, int mi)
    {
        return meta(delta, 0x59, bytes({sf, mi}));
    }
    TrackBuilder& sysex(uint32_t delta, const QByteArray& afterF0);
    TrackBuilder& raw(std::initializer_list<int> list) { return raw(bytes(list)); }
    TrackBuilder& raw(const QByteArray& b)
    {
        body_ += b;
        return *this;
    }
    TrackBuilder& end(uint32_t delta = 0) { return meta(delta, 0x2F, QByteArray()); }

    QByteArray chunk() const; // "MTrk", length, body

    // Each value's low byte.
    static QByteArray bytes(std::initializer_list<int> list)
    {
        QByteArray out;
        for (int b : list) out += char(b & 0xFF);
        return out;
    }

private:
    QByteArray body_;
    bool running_;
    int status_ = 0;
};

QByteArray smfHeader(int format, int ntracks, int division);
QByteArray smfFile(int format, int division, const std::vector<TrackBuilder>& tracks);

// A valid file of `tracks` tracks with every kind of event the program keeps,
// random but reproducible from the seed.
QByteArray randomSmf(uint32_t seed, int format, int tracks, int eventsPerTrack);

// Writes bytes to a fresh file under the system's temporary folder.
std::string writeTempFile(const QByteArray& bytes, const std::string& suffix = ".mid");
