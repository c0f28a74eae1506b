#pragma once

#include "editors/ChnlDetailEditorBase.h"

namespace zel::ui {

// The detail editor of a direct serial channel: name, port and bit rate.
class DirChnlDetailUI : public ChnlDetailEditorBase {
    Q_OBJECT
public:
    explicit DirChnlDetailUI(QWidget* parent = nullptr);

    std::int32_t ChannelType() const override;

protected:
    bool Accepts(const std::shared_ptr<zel::data::IChannelDescription>& channel) const override;
    void ShowEntry(const std::shared_ptr<zel::data::IChannelDescription>& channel) override;
};

} // namespace zel::ui
