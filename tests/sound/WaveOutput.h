#pragma once
// Real output for the layer's tests: OpenAL Soft's wave backend writes what it mixes
// into a file in a temporary folder, which the tests then read back and measure.

#include <string>
#include <vector>

namespace WaveOutput {

// Points OpenAL Soft at a config file naming the output file. Must run before the
// first OpenAL call of the process; the test programs do it at start-up.
void Configure();
const std::string& Folder();

// A mono 16-bit WAV of a sine (frequency 0: a constant) in the temporary folder.
std::string WriteTone(const std::string& name, float amplitude, float seconds,
                      float frequency = 440.0f);

struct Capture {
  int rate = 0;
  std::vector<float> left, right;

  // Root mean square of a channel (0 left, 1 right, 2 both) over [from, to) seconds.
  double Rms(int channel, double from, double to) const;
  // Seconds at which the output first rises above level, or -1.
  double Onset(double level, double after = 0.0) const;
  double Seconds() const { return rate ? double(left.size()) / rate : 0.0; }
};

// Reads what the device wrote; call after FSOUND_Close.
Capture Read();

void Sleep(double seconds);

}  // namespace WaveOutput
