#include "wiper/drive_wipe.h"

namespace wiper {
namespace {

bool WantsAta(const ClassPolicy& p) {
    return p.resetHpa || p.resetDco || p.ataErase;
}

void ApplyHiddenAreas(const DriveJob& job, DriveTools& tools, DriveRecord& record) {
    if (!job.ata.resetHpa && !job.ata.resetDco)
        return;
    AtaIdentity identity;
    std::string error;
    if (!IdentifyDrive(*tools.ata, identity, error)) {
        record.notes.push_back("HPA/DCO: IDENTIFY DEVICE failed (" + error + "); left as they are");
        return;
    }
    bool changed = false;
    for (std::string& note :
         RemoveHiddenAreas(*tools.ata, identity, job.ata.resetHpa, job.ata.resetDco, changed))
        record.notes.push_back(std::move(note));
    if (!changed)
        return;
    if (tools.refreshSize && tools.refreshSize()) {
        record.drive.sizeBytes = tools.target.Size();
        record.notes.push_back("size now " + std::to_string(record.drive.sizeBytes) + " bytes");
    } else {
        record.notes.push_back("the new size could not be read; the wipe covers the old size");
    }
}

// The ATA erase in place of the last pass; true when it was done (and the
// pass's verification replaced by reading the drive back).
bool EraseInstead(const PlannedPass& pass, size_t index, size_t count, DriveTools& tools,
                  PassExecutor& executor, DriveRecord& record) {
    AtaIdentity identity;
    std::string note;
    if (!IdentifyDrive(*tools.ata, identity, note)) {
        record.notes.push_back("ATA erase: IDENTIFY DEVICE failed (" + note +
                               "); the last pass runs as written");
        return false;
    }
    PassRecord r;
    r.description = "pass " + std::to_string(index) + "/" + std::to_string(count) +
                    ": ATA SECURITY ERASE UNIT in place of " + DescribePass(pass);
    r.started = tools.now();
    const EraseOutcome outcome = SecurityErase(*tools.ata, identity, note);
    record.notes.push_back(note);
    if (outcome != EraseOutcome::Erased)
        return false;
    r.result = "done";
    if (pass.verify) {
        // What the firmware leaves is its own; the drive must read back whole.
        PlannedPass read;
        read.writes = false;
        const PassOutcome o = executor.Run(read, index, count);
        r.result = o.ok ? "done, read back whole" : "done, then " + o.error;
        if (!o.ok) {
            record.result = DriveResult::Failed;
            record.failure = o.error;
        }
    }
    r.ended = tools.now();
    record.passes.push_back(std::move(r));
    return true;
}

}  // namespace

uint64_t JobWork(const DriveJob& job, uint64_t size) {
    uint64_t work = 0;
    for (const PlannedPass& p : job.passes)
        work += size * (p.verify ? 2 : 1);
    return work;
}

DriveRecord WipeDrive(const DriveJob& job, DriveTools& tools) {
    DriveRecord record;
    record.drive = job.drive;
    record.drive.sizeBytes = tools.target.Size();
    record.scheme = job.scheme;
    record.schemeFile = job.schemeFile;
    record.verification = job.verification;
    record.result = DriveResult::Wiped;
    const bool ata = tools.ata != nullptr;
    if (WantsAta(job.ata) && !ata)
        record.notes.push_back("ATA options: the drive does not answer ATA commands (" +
                               tools.ataMissing + "); the passes run as written");
    if (ata)
        ApplyHiddenAreas(job, tools, record);
    PassExecutor executor(tools.target, tools.progress);
    const size_t count = job.passes.size();
    for (size_t i = 0; i < count && record.result == DriveResult::Wiped; ++i) {
        const PlannedPass& pass = job.passes[i];
        if (i + 1 == count && job.ata.ataErase && ata &&
            EraseInstead(pass, i + 1, count, tools, executor, record))
            break;
        PassRecord r;
        r.description = "pass " + std::to_string(i + 1) + "/" + std::to_string(count) + ": " +
                        DescribePass(pass) + (pass.verify ? " + verify" : "");
        r.started = tools.now();
        const PassOutcome o = executor.Run(pass, i + 1, count);
        r.ended = tools.now();
        if (o.ok) {
            r.result = o.verified ? "done, verified" : "done";
            record.verifications += o.verified ? 1 : 0;
        } else {
            r.result = "failed: " + o.error;
            record.result = DriveResult::Failed;
            record.failure = "pass " + std::to_string(i + 1) + ": " + o.error;
        }
        record.passes.push_back(std::move(r));
    }
    return record;
}

}  // namespace wiper
