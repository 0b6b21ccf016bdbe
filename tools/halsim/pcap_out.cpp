// Writing a capture through libpcap: a file no other pcap reader needs to
// be told about but its link type.
#include <pcap/pcap.h>

#include <algorithm>
#include <cstdio>

#include "capture.h"

namespace halsim {

bool writePcap(const std::string &path, const std::vector<Packet> &packets, std::string &error)
{
    size_t largest = 65535;
    for (const Packet &p : packets) {
        largest = std::max(largest, p.bytes.size());
    }
    pcap_t *dead =
        pcap_open_dead_with_tstamp_precision(capture::kLinkType, static_cast<int>(largest), PCAP_TSTAMP_PRECISION_NANO);
    if (dead == nullptr) {
        error = "libpcap cannot make a capture of link type " + std::to_string(capture::kLinkType);
        return false;
    }
    pcap_dumper_t *dump = pcap_dump_open(dead, path.c_str());
    if (dump == nullptr) {
        error = pcap_geterr(dead);
        pcap_close(dead);
        return false;
    }
    for (const Packet &p : packets) {
        pcap_pkthdr h{};
        // With nanosecond precision the second field holds nanoseconds.
        h.ts.tv_sec = static_cast<time_t>(p.timeNs / 1000000000U);
        h.ts.tv_usec = static_cast<suseconds_t>(p.timeNs % 1000000000U);
        h.caplen = static_cast<bpf_u_int32>(p.bytes.size());
        h.len = h.caplen;
        pcap_dump(reinterpret_cast<u_char *>(dump), &h, p.bytes.data());
    }
    const bool ok = pcap_dump_flush(dump) == 0 && std::ferror(pcap_dump_file(dump)) == 0;
    pcap_dump_close(dump);
    pcap_close(dead);
    if (!ok) {
        error = "writing failed";
    }
    return ok;
}

}  // namespace halsim
