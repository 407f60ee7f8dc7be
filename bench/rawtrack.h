#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A track chunk of a song written by hand, so the benches do not measure the
// reader against files only our own writer produces.
class RawTrack
{
public:
    void varLen(uint32_t v)
    {
        unsigned char groups[5];
        int n = 0;
        do {
            groups[n++] = static_cast<unsigned char>(v & 0x7F);
            v >>= 7;
        } while (v);
        while (n > 1) bytes_.push_back(groups[--n] | 0x80);
        bytes_.push_back(groups[0]);
    }
    void meta(uint32_t delta, int type, const std::string& data)
    {
        varLen(delta);
        bytes_.push_back(0xFF);
        bytes_.push_back(static_cast<unsigned char>(type));
        varLen(uint32_t(data.size()));
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        status_ = 0;
    }
    void tempo(uint32_t delta, uint32_t usec)
    {
        meta(delta, 0x51, std::string{char(usec >> 16), char(usec >> 8), char(usec)});
    }
    // Channel message; the status byte only when it changes (running status).
    void channel(uint32_t delta, int status, int d1, int d2 = -1)
    {
        varLen(delta);
        if (status != status_) bytes_.push_back(static_cast<unsigned char>(status));
        status_ = status;
        bytes_.push_back(static_cast<unsigned char>(d1));
        if (d2 >= 0) bytes_.push_back(static_cast<unsigned char>(d2));
    }
    void appendChunk(std::vector<unsigned char>& out) const
    {
        const uint32_t len = uint32_t(bytes_.size());
        const unsigned char head[8] = {'M',
                                       'T',
                                       'r',
                                       'k',
                                       static_cast<unsigned char>(len >> 24),
                                       static_cast<unsigned char>(len >> 16),
                                       static_cast<unsigned char>(len >> 8),
                                       static_cast<unsigned char>(len)};
        out.insert(out.end(), head, head + 8);
        out.insert(out.end(), bytes_.begin(), bytes_.end());
    }

private:
    std::vector<unsigned char> bytes_;
    int status_ = 0;
};
