#pragma once
// The setup dialogs of the three channel kinds, as models: one row per
// configured channel (name, enabled, and polarity or depth), the kind's
// autostretch and, for counters, the count time.
#include <string>

#include "acquisition/channel_tables.h"
#include "platform/dialog_model.h"

namespace orvex {

class ChannelSetupDialog : public platform::DialogModel {
  public:
    /// A dialog over the configured channels of one kind of the tables.
    ChannelSetupDialog(ChannelTables& tables, int32_t kind, double countTime);
    bool pressed(platform::DialogControl& control) override;

    /// Labels of the controls of channel i (0-based).
    static std::string NameLabel(int i) { return "Name " + std::to_string(i + 1); }
    static std::string EnabledLabel(int i) { return "Enabled " + std::to_string(i + 1); }
    static std::string PolarityLabel(int i) { return "Positive " + std::to_string(i + 1); }
    static std::string DepthLabel(int i) { return "16 Bits " + std::to_string(i + 1); }

    /// Puts the dialog's values into the channels (called on OK).
    void Apply();
    double countTime = 0.0;  // counters: the count time accepted

  private:
    ChannelTables& tables_;
    int32_t kind_;
    int count_;
};

}  // namespace orvex
