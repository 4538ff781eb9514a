// Names the digital and counter channels after the element and EDS lists.
#include "acquisition/channel_tables.h"
#include "config/elmfile.h"
#include "config/software_settings.h"
#include "platform/ui.h"

namespace orvex {

namespace {

// A name made only of "_" (blanks turned into underscores) names nothing.
bool isBlankName(const std::string& name) {
    return name.find_first_not_of('_') == std::string::npos;
}

struct KindCounts {
    int beam, elements, eds, max;
};

template <class Channel, size_t N>
void nameChannels(std::array<Channel, N>& table, const KindCounts& k, const char* suffix,
                  int force) {
    auto give = [&](int index, const std::string& entryName) {
        if (index < 0 || index >= static_cast<int>(N) || isBlankName(entryName)) return;
        Channel& c = table[index];
        if (c.enabled || force) c.Rename(entryName + suffix);
    };
    for (int i = 0; i < k.elements; ++i) give(k.beam + i, elmFile().ChannelName(i));
    for (int j = 0; j < k.eds; ++j) give(k.beam + k.elements + j, edsFile().ChannelName(j));
}

}  // namespace

void ElmToChannels(int force) {
    const SoftwareSettings& s = softwareSettings();
    // The EDS list is read only when EDS channels are configured; without
    // them it is not needed for the element names.
    const bool edsWanted = s.digitalMaxEds != 0 || s.counterMaxEds != 0;
    if (!elmFile().valid || (edsWanted && !edsFile().valid)) return;
    ChannelTables& t = channelTables();

    KindCounts digital{s.digitalBeamChannel ? 1 : 0, s.digitalMaxElm, s.digitalMaxEds,
                       s.digitalMax};
    if (digital.beam + digital.elements + digital.eds > digital.max) {
        platform::showMessage("Too many digital channels", "ElmToChannels()");
        return;
    }
    nameChannels(t.digital, digital, "_D", force);

    KindCounts counter{s.counterBeamChannel ? 1 : 0, s.counterMaxElm, s.counterMaxEds,
                       s.counterMax};
    if (counter.beam + counter.elements + counter.eds > counter.max) {
        platform::showMessage("Too many counter channels", "ElmToChannels()");
        return;
    }
    nameChannels(t.counter, counter, "_C", force);
}

}  // namespace orvex
