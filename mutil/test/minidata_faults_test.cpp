#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fastfile.h"
#include "mfilefaultmatrix.h"
#include "minidata.h"

namespace {

constexpr char kContent[] = "[s]\nk=1\n";

// Open fails with every failing read; Save with every failing step of the replacing write, and
// the file that it would have replaced stays byte-identical.
TEST(MIniDataFaultTest, OpenAndSaveFailWithTheFileLayer) {
  const std::string read_failed = "read64(): ReadFile() failed: {code}";
  const std::string fill_failed = "MFastFileReader::fill_buffer(): read64() failed";
  // A read error is never taken for the end of the file: nothing half-read passes for the file.
  const MFileFault read_fault{{"MIniData::Open(): MFastFileReader::IsEOF() failed"},
                              {"MFastFileReader::IsEOF(): fill_buffer() failed", read_failed, fill_failed}};
  const MFileFaultCase open{
      "MIniData::Open",
      [](const MTestTempDir& dir) -> std::function<bool()> {
        return [path = dir.Write("ini", kContent)] {
          MIniData ini;
          return ini.Open(path) && ini.SectionExists("s");
        };
      },
      {{{"openfile(): CreateFile(\"{ini}\") failed: {code}",
         "MFastFileReader::Open(): openfile(\"{ini}\") failed: {code}",
         "MIniData::Open(): MFastFileReader::Open() failed"}},
       read_fault,
       read_fault,  // the read that finds the end of the file
       // The reader is closed after everything was read; its failure is only traced.
       {{"MFastFileReader::Close(): CloseHandle() failed: {code}",
         "MFastFileReader::~MFastFileReader(): Close() failed"},
        {},
        true}}};
  const MFileFaultCase save{
      "MIniData::Save",
      [](const MTestTempDir& dir) -> std::function<bool()> {
        auto ini = std::make_shared<MIniData>(dir.Write("ini", kContent));
        ini->SetLongEntry("s", "k", 2);
        return [ini] { return ini->Save(); };
      },
      MFileFaultsReportedBy(MFileFaultsOfWriteAtOnce("{ini}", kMFastFileReplace),
                            {"MFastFile_WriteLinesAtOnce(): MFastFile_WriteAtOnce(\"{ini}\",..,10,10) failed",
                             "MIniData::Save(): MFastFile_WriteLinesAtOnce(\"*\") failed"}),  // the name is cut at 40
      "ini"};
  ExpectFileFaultMatrix(open);
  ExpectFileFaultMatrix(save);
}

}  // namespace
