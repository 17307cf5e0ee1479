#include "glasses/TavroSoundCard.h"

const AudioComponentDescription& TavroSoundCard::audioComponent() {
    std::call_once(found_, [this] { audioComponent_ = componentDescription; });
    return *audioComponent_;
}
