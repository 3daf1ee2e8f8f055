#pragma once
// Thread priorities as the program asks for them: steps above normal (1 higher,
// 2 highest, 3 time-critical). The system may refuse; the request is what the
// main window shows.
namespace velmar {

// For the calling thread; true when the system granted it.
bool RequestThreadPriority(int stepsAboveNormal);

}  // namespace velmar
