#include "player/RealPlayer.h"

#include "player/Mp3Play.h"
#include "player/SoundOutput.h"

std::unique_ptr<Mp3Player> makeMp3Play() {
    return std::make_unique<Mp3Play>(&makeSystemSoundOutput);
}
