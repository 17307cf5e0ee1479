#pragma once
// The glasses' audio output device: finding it among the machine's audio devices (its name
// holds "tavro"), following its output volume and mute, and announcing every change with
// "SystemVolumeListener_Notification_Name" (object: the volume as a float number, or the
// integer 0 while muted). Process-wide state, without an object of its own.
//
// Threads: addAudioOutputVolumeListener blocks its caller while it waits for the device;
// the listener runs on the audio notification thread and posts from there; the other
// functions run on their caller's thread. The stored device, last volume and mute state are
// atomic.

#include <cstdint>

#include "platform/audio/AudioHardware.h"

inline constexpr const char* kSystemVolumeNotification = "SystemVolumeListener_Notification_Name";

// The last matching device with at least one output stream, or 0.
platform::audio::AudioObjectId findGlassAudioDevice();
// Finds the device (looking again every 0.25 s while glasses are connected), installs the
// volume and mute listeners and reads both values once. Installs nothing when the glasses
// go, or the quit begins, before their device appears.
void addAudioOutputVolumeListener();
void removeAudioOutputVolumeListener();
// Sets the device's volume (0 to 1); 0 also mutes, and a positive volume unmutes a muted
// device.
void changeAudioOutputVolumeValue(float volume);
// The stored device, else a fresh search (not stored).
platform::audio::AudioObjectId getAudioDevices();

// The stored device (0: none), for the shell and tests.
platform::audio::AudioObjectId glassAudioDevice();
