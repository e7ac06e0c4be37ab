// The steady states the pass is measured in, shared by the benchmark and the
// pass budget test.
#pragma once

namespace bench {

enum class State { Idle, Blade, Explosive, Shots, All };
constexpr State kStates[] = {State::Idle, State::Blade, State::Explosive, State::Shots, State::All};

inline const char* stateName(State state) {
    switch (state) {
    case State::Idle: return "idle";
    case State::Blade: return "blade";
    case State::Explosive: return "explosive";
    case State::Shots: return "shots";
    case State::All: return "all";
    }
    return "?";
}

inline bool hasBlade(State s) { return s == State::Blade || s == State::All; }
inline bool hasExplosive(State s) { return s == State::Explosive || s == State::All; }
inline bool hasShots(State s) { return s == State::Shots || s == State::All; }

}  // namespace bench
