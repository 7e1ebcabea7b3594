// Phase marks for the phase-time benchmark: the moment each step of the run
// ends. Only a build configured with VELLOX_PHASE_MARKS records them (into
// the file that the benchmark names in VELLOX_PHASE_MARKS); in every other
// build, the shipped one among them, the calls are empty and the program
// reads no such variable.
#pragma once

#ifdef VELLOX_PHASE_MARKS
void MarkPhase(const char* name);
#else
inline void MarkPhase(const char*) {}
#endif
