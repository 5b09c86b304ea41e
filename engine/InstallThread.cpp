#include "InstallThread.h"

#include "AttachFiles.h"
#include "utils/InstUtils.h"

namespace ulv {

TInstallThread::TInstallThread(TAttachedFiles& files, TInstUtils& utils, TInstallThreadStatus& status)
    : Files(files), Utils(utils), Status(status) {
    Status.Start();
    Thread = std::thread([this] { Execute(); });
}

void TInstallThread::Join() {
    if (Thread.joinable()) Thread.join();
}

void TInstallThread::Finish() {
    Status.RequestStop();
    Join();
}

bool TInstallThread::GoOn() {
    return Status.WaitWhile(isPaused) == isRunning && !Status.StopWanted();
}

bool TInstallThread::WriteQueue(int component) {
    for (const TFileToInstall& item : Files.Queues[component]) {
        Status.CurComp.store(static_cast<std::uint8_t>(component), std::memory_order_relaxed);
        if (!item.LogFlag) Utils.SuspendLogging();
        bool written = Files.ExtractEntry(&item.Entry, {}, item.TargetPath);
        // Resumed on every path: the log outlives the worker and the finishing step still records lines.
        if (!item.LogFlag) Utils.ResumeLogging();
        if (!written) {
            // Abort is also what the relay answers after a stop; the run then ends stopped, not failed.
            if (!Status.StopWanted()) EndAs(isFailed);
            return false;
        }
        Status.Progress.fetch_add(item.Entry.Size, std::memory_order_relaxed);
        if (!GoOn()) return false;
    }
    return true;
}

void TInstallThread::Execute() {
    for (int c = 0; c < kQueueCount; ++c) {
        if (!WriteQueue(c)) break;
        if (!GoOn()) break;
    }
    EndAs(isStopped);
}

void TInstallThread::EndAs(std::uint8_t final) {
    for (;;) {
        std::uint8_t now = Status.WaitWhile(isPaused);
        if (now != isRunning || Status.Move(isRunning, final)) return;
    }
}

void TSetupRun::StartInstallThread(TAttachedFiles& files, TInstUtils& utils) {
    InstallThread = std::make_unique<TInstallThread>(files, utils, InstallStatus);
}

void TSetupRun::EndInstallThread() {
    if (InstallThread) InstallThread->Finish();
}

} // namespace ulv
