#include "common/TavroLog.h"

#include <cstdio>
#include <ctime>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/SystemInfo.h"

namespace fs = platform::foundation;

namespace common {

namespace {

// One lock for every log name: two different files are written one after the other too.
fs::RecursiveMutex& logLock() {
    static fs::RecursiveMutex lock;
    return lock;
}

std::string currentTimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Deletes a file that has outgrown the limit; the caller holds the log lock.
void applySizeLimit(const std::string& path) {
    auto attributes = fs::attributesOfItem(path);
    if (!attributes) return;
    uint64_t size = attributes->size;
    if (size <= TavroLog::kMaximumFileSize) {
        char text[64];
        std::snprintf(text, sizeof text, "日志文件大小为: %f M",
                      static_cast<double>(size) / 1024.0 / 1024.0);
        fs::systemLog(text);
        return;
    }
    if (auto error = fs::removeItem(path)) {
        fs::systemLog("删除文件失败: " + error->localizedDescription);
    } else {
        fs::systemLog("日志文件已删除");
    }
}

}  // namespace

TavroLog& TavroLog::shareManager() {
    static TavroLog instance;
    return instance;
}

void TavroLog::logMessage(const std::string& message) {
    logMessage(message, "3D-Halvane");
}

void TavroLog::logSunshineMessage(const std::string& message) {
    logMessage(message, "Sunshine");
}

void TavroLog::logZTMessage(const std::string& message, int32_t tag) {
    logMessage(message + "--" + std::to_string(tag) + "\n", "ZeroTier");
}

void TavroLog::logMessage(const std::string& message, const std::string& logName) {
    if (message.empty()) return;
    const std::string line = currentTimeStamp() + ": " + message + "\n";
    const std::string path = logFilePathWithLogName(logName);

    fs::RecursiveMutexLock lock(logLock());
    applySizeLimit(path);
    if (fs::fileExists(path)) {
        fs::appendToFile(path, bytesOf(line));
    } else {
        fs::writeFileAtomically(path, bytesOf(line));
    }
}

std::string TavroLog::logDirectoryPath() {
    return fs::documentsDirectory() + "/.Tavro3D";
}

std::string TavroLog::logFilePathWithLogName(const std::string& logName) {
    createTavroSpaceDirectories();
    return fs::documentsDirectory() + "/.Tavro3D/tavri_log_" + logName + ".log";
}

void TavroLog::createTavroSpaceDirectories() {
    const std::string folder = logDirectoryPath();
    if (fs::fileExists(folder)) return;
    if (auto error = fs::createDirectory(folder, true)) {
        fs::systemLog("创建文件夹失败: " + error->localizedDescription);
    } else {
        fs::systemLog("文件夹创建成功: " + folder);
    }
}

}  // namespace common
