// The SDL2 renderer, through SDL's own file-writing audio driver (the one device it offers).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/core/testing/TestSandbox.h"
#include "platform/media/AudioSinks.h"
#include "platform/media/DeviceEnum.h"

namespace {

TEST(SdlRenderer, PlaysIntoSdlsDiskDevice) {
  qh::testing::TestSandbox sandbox;
  const std::string out = sandbox.HostPath("C/sdl.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  setenv("QH_SOUND", "sdl", 1);
  std::vector<CString> names;
  for (auto& device : qh::media::EnumerateDevices(CLSID_AudioRendererCategory)) names.push_back(device.friendlyName);
  if (!qh::media::SoundDevicesEnabled()) GTEST_SKIP() << "SDL has no disk audio driver here";
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ("Default DirectSound Device", names[0].str());
  const CString device = names[1];  // SDL's named devices follow the default output
  EXPECT_NE("Null Audio Device", device.str());
  auto sink = qh::media::NewSdlSink(device.str());
  ASSERT_EQ(S_OK, sink->Open({8000, 1}));
  std::vector<float> tone(8000);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * std::sin(2 * M_PI * 440 * i / 8000.0);
  for (size_t at = 0; at < tone.size(); at += 160) ASSERT_EQ(S_OK, sink->Write(&tone[at], 160));
  // The device takes its queue at its own pace; wait for most of it.
  for (int i = 0; i < 300; ++i) {
    std::ifstream file(out, std::ios::binary | std::ios::ate);
    if (file && file.tellg() >= static_cast<std::streamoff>(tone.size() * sizeof(float) / 2)) break;
    usleep(10000);
  }
  sink->Close();
  std::ifstream file(out, std::ios::binary);
  std::vector<float> written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GE(written.size(), tone.size() / 2) << "bytes, of the device's float samples";
  std::ifstream again(out, std::ios::binary);
  std::vector<float> samples(tone.size());
  again.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
  double peak = 0;
  for (float s : samples) peak = std::max(peak, static_cast<double>(std::fabs(s)));
  EXPECT_NEAR(0.5, peak, 0.01);
}

}  // namespace
