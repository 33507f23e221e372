// The pen's share of the frame: its settings copied from EnvBlock at start and
// back before the settings are written, the pen tip built at start, and the
// pen's images freed at exit.
#pragma once

void PenStateFromEnv();   // after the settings files are read
void PenStateToEnv();     // before env_.env is written
void PenStateFree();      // frame destruction
