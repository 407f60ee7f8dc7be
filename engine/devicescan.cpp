#include "engine/devicescan.h"

#include "engine/seqerror.h"

#include <QCoreApplication>
#include <alsa/asoundlib.h>
#include <cstdio>

namespace
{

ScanResult scan(int openMode, unsigned capabilities)
{
    ScanResult result;
    snd_seq_t* seq = nullptr;
    const int rc =
        seqCheck(snd_seq_open(&seq, "default", openMode, SND_SEQ_NONBLOCK), "snd_seq_open");
    if (rc < 0) {
        std::fprintf(stderr, "Error opening ALSA sequencer.\n");
        result.error = QCoreApplication::translate("midithread", "Error opening ALSA sequencer: %1")
                           .arg(seqErrorText(rc));
        return result;
    }
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int c = snd_seq_client_info_get_client(client);
        snd_seq_port_info_set_client(port, c);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            const unsigned type = snd_seq_port_info_get_type(port);
            if ((caps & capabilities) != capabilities || !(type & SND_SEQ_PORT_TYPE_MIDI_GENERIC))
                continue;
            PortInfo info;
            info.client = c;
            info.port = snd_seq_port_info_get_port(port) & 0xFF;
            info.clientName = QString::fromLocal8Bit(snd_seq_client_info_get_name(client));
            info.portName = QString::fromLocal8Bit(snd_seq_port_info_get_name(port));
            info.synthesizer = type & (SND_SEQ_PORT_TYPE_SYNTHESIZER | SND_SEQ_PORT_TYPE_SYNTH |
                                       SND_SEQ_PORT_TYPE_SOFTWARE | SND_SEQ_PORT_TYPE_SAMPLE);
            result.ports.push_back(info);
        }
    }
    snd_seq_close(seq);
    result.ok = true;
    return result;
}

} // namespace

ScanResult scanInputPorts()
{
    return scan(SND_SEQ_OPEN_INPUT, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
}

ScanResult scanOutputPorts()
{
    return scan(SND_SEQ_OPEN_OUTPUT, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
}
