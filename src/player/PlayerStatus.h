#pragma once

// What Open and Play of the player component report; 0 is success. The panel turns
// every other value into a message for the user.
enum class PlayerStatus : int {
    Ok = 0,
    NoFileChosen,
    FileMissing,
    IsFolder,
    Unreadable,
    EmptyFile,
    NotMp3,
    Truncated,
    Corrupt,
    NoSoundDevice,
};
