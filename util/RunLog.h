// The run log: one UTF-8 line per event with its local time, so that an administrator can
// read what a run did after its window is gone. Earlier logs are kept beside it
// ("tvinstall.1.log" the newest of them). Writing it never stops an installation: a log
// that cannot be opened or written is reported once through OnFailure and then left.
#pragma once

#include <fstream>
#include <functional>
#include <string>

namespace tv {

// How many earlier logs are kept beside the current one.
constexpr int KeptRunLogs = 5;

class RunLog {
public:
    // Opens `path` anew, first moving earlier logs one number up. False when it cannot be
    // opened: the run goes on without a log.
    bool Open(const std::string& path);
    // Opens `path` to add lines at its end, moving nothing: for a program that ends at once
    // while another run may still be writing its own log there.
    bool Append(const std::string& path);
    bool IsOpen() const { return FFile.is_open(); }
    const std::string& FileName() const { return FPath; }
    // One line; line breaks inside `text` become " | " so that each event stays one line.
    void Line(const std::string& text);

    // The file that says on this machine that a run is under way: written at its start,
    // removed at its end, so that a run that finds it knows the one before was cut short.
    std::string RunMarker;

    // Receives one German text the first time the log cannot be opened or written.
    std::function<void(const std::string& warning)> OnFailure;

private:
    void Fail(const std::string& warning);
    bool OpenFile(std::ios::openmode mode);
    std::ofstream FFile;
    std::string FPath;
    bool FWarned = false;
};

// Now, as each line of the log begins: "2026-12-10 15:15:21.300", local time.
std::string TimeStamp();

// The name of earlier log `number` beside `path`: "tvinstall.log" → "tvinstall.2.log".
std::string EarlierRunLogName(const std::string& path, int number);

} // namespace tv
