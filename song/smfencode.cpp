#include "song/smfencode.h"

#include "song/smfwriter.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}
} // namespace

std::vector<std::vector<const EventNode*>> nodesByTrack(const EventList& list, int ntracks)
{
    std::vector<std::vector<const EventNode*>> tracks(size_t(ntracks > 0 ? ntracks : 0));
    for (const EventNode* n = list.head(); n; n = n->next)
        if (n->track < tracks.size()) tracks[n->track].push_back(n);
    return tracks;
}

void writeTrackNodes(SmfWriter& w, const std::vector<const EventNode*>& nodes)
{
    uint64_t previous = 0;
    for (const EventNode* n : nodes) {
        const uint64_t delta = n->tick - previous;
        const snd_seq_event_t& e = n->event;
        unsigned char d[4];
        bool written = true;
        switch (e.type) {
        case SND_SEQ_EVENT_NOTEON:
        case SND_SEQ_EVENT_NOTEOFF:
        case SND_SEQ_EVENT_KEYPRESS: {
            const int status = e.type == SND_SEQ_EVENT_NOTEON    ? 0x90
                               : e.type == SND_SEQ_EVENT_NOTEOFF ? 0x80
                                                                 : 0xA0;
            d[0] = e.data.note.note;
            d[1] = e.data.note.velocity;
            w.writeMidiEvent(delta, status, e.data.note.channel, d, 2);
            break;
        }
        case SND_SEQ_EVENT_CONTROLLER:
            d[0] = static_cast<unsigned char>(e.data.control.param);
            d[1] = static_cast<unsigned char>(e.data.control.value);
            w.writeMidiEvent(delta, 0xB0, e.data.control.channel, d, 2);
            break;
        case SND_SEQ_EVENT_PGMCHANGE:
        case SND_SEQ_EVENT_CHANPRESS:
            d[0] = static_cast<unsigned char>(e.data.control.value);
            w.writeMidiEvent(delta, e.type == SND_SEQ_EVENT_PGMCHANGE ? 0xC0 : 0xD0,
                             e.data.control.channel, d, 1);
            break;
        case SND_SEQ_EVENT_PITCHBEND: {
            const int v = e.data.control.value + 8192;
            d[0] = static_cast<unsigned char>(v & 127);
            d[1] = static_cast<unsigned char>((v >> 7) & 127);
            w.writeMidiEvent(delta, 0xE0, e.data.control.channel, d, 2);
            break;
        }
        case SND_SEQ_EVENT_TIMESIGN:
            w.writeMetaEvent(delta, 0x58, e.data.raw8.d, 4);
            break;
        case SND_SEQ_EVENT_KEYSIGN:
            w.writeMetaEvent(delta, 0x59, e.data.raw8.d, 2);
            break;
        case SND_SEQ_EVENT_TEMPO:
            w.writeTempo(delta, uint32_t(e.data.queue.param.value));
            break;
        case SND_SEQ_EVENT_SYSEX: {
            const uint32_t len = n->dataLength();
            if (len <= 1) {
                // Delta, F0 and a zero length are out already; the track goes on.
                w.writeMidiEvent(delta, 0xF0, 0, nullptr, 0);
                std::fprintf(stderr, "Unknown MIDI packet encountered.\n");
            } else {
                w.writeMidiEvent(delta, 0xF0, 0, n->data() + 1, len - 1);
            }
            break;
        }
        default:
            if (isTextType(e.type))
                w.writeMetaEvent(delta, e.type - kTypeTextBase, n->data(), n->dataLength());
            else
                written = false; // lyric marks share their tick with their text event
            break;
        }
        if (written) previous = n->tick;
    }
    w.writeMetaEvent(0, 0x2F, nullptr, 0);
}

namespace
{

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

void systemError(SmfWriteResult& result)
{
    result.errorNumber = errno;
    result.error = errnoText();
}

// Writes the whole file to fp; false with the first error in `error`.
bool writeTo(FILE* fp, const EventList& list, int format, int ntracks, int division, QString& error)
{
    const auto tracks = nodesByTrack(list, ntracks);
    SmfWriter writer;
    writer.cb.putByte = [fp](int c) { return putc_unlocked(c, fp) == EOF ? -1 : c; };
    writer.cb.writeTrack = [&](int track) {
        writeTrackNodes(writer, tracks[size_t(track)]);
        return 0;
    };
    writer.cb.error = [&error](const char* text) {
        if (error.isEmpty()) error = QString::fromLatin1(text);
    };
    const bool written = writer.mfwrite(format, ntracks, division, fp) == 0;
    if (std::fflush(fp) != 0 || (written && fsync(fileno(fp)) != 0 && errno != EINVAL)) {
        if (error.isEmpty()) error = errnoText();
        return false;
    }
    if (!written && error.isEmpty()) error = QStringLiteral("error writing");
    return written;
}

} // namespace

SmfWriteResult writeSongFile(const QString& path, const EventList& list, int format, int ntracks,
                             int division)
{
    SmfWriteResult result;
    // Replace what a link points to, not the link.
    QFileInfo target(path);
    if (target.isSymLink() && target.exists()) target = QFileInfo(target.canonicalFilePath());
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());

    struct stat st;
    const bool exists = ::stat(targetName.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or pipe cannot be replaced by renaming: write into it.
        FILE* fp = std::fopen(targetName.constData(), "wb");
        if (!fp) {
            systemError(result);
            return result;
        }
        result.stage = SmfWriteResult::Write;
        result.ok = writeTo(fp, list, format, ntracks, division, result.error);
        if (std::fclose(fp) != 0 && result.ok) {
            result.ok = false;
            result.stage = SmfWriteResult::Close;
            systemError(result);
        }
        return result;
    }

    QByteArray tmpl = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") +
                                        target.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = mkstemp(tmpl.data());
    if (fd < 0) {
        systemError(result);
        return result;
    }
    FILE* fp = fdopen(fd, "w+b");
    if (!fp) {
        systemError(result);
        ::close(fd);
        ::unlink(tmpl.constData());
        return result;
    }
    result.stage = SmfWriteResult::Write;
    bool ok = writeTo(fp, list, format, ntracks, division, result.error);
    if (std::fclose(fp) != 0 && ok) {
        ok = false;
        result.stage = SmfWriteResult::Close;
        systemError(result);
    }
    if (ok) {
        // The new file keeps the permissions of the one it replaces.
        ::chmod(tmpl.constData(), exists ? (st.st_mode & 07777) : (0666 & ~currentUmask()));
        if (::rename(tmpl.constData(), targetName.constData()) == 0) {
            result.ok = true;
            return result;
        }
        // The target could not be replaced: as good as not opened.
        result.stage = SmfWriteResult::Open;
        systemError(result);
    }
    ::unlink(tmpl.constData());
    return result;
}
