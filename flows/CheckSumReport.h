// The checksum report dialog without its widgets: the values it shows when
// built, and its one button, which writes "CheckSum.txt" into the working
// directory and remembers the company name.
#pragma once

#include <string>

#include "config/ConfigFile.h"
#include "core/Clock.h"
#include "core/WindowServices.h"
#include "image/CodeBuffer.h"

namespace tq {

class CheckSumReport {
 public:
  static constexpr const char* kReportFileName = "CheckSum.txt";
  static constexpr const char* kDefaultCompany = "Input Company Here";

  // The dialog's fixed texts, for the views that build it.
  static constexpr const char* kCaption = "Check Sum Dialog";
  static constexpr const char* kCompanyLabel = "Campany Name:";
  static constexpr const char* kDateLabel = "Date:";
  static constexpr const char* kFileNameLabel = "File Name:";
  static constexpr const char* kCheckSumLabel = "Check Sum:";
  static constexpr const char* kButtonCaption = "Creat Check Sum File";

  // Builds the dialog's values: COMPANY (with its default), today's short
  // date, the buffer's file name (empty before any load) and its checksum.
  CheckSumReport(const CodeBuffer& buffer, ConfigFile& config, WindowServices& win, Clock& clock);

  const std::string& Company() const { return company_; }    // Edit1
  const std::string& Date() const { return date_; }          // Label6
  const std::string& FileName() const { return fileName_; }  // Label7
  const std::string& CheckSum() const { return checksum_; }  // Label8

  // The button: writes the four lines of "CheckSum.txt" (the date taken
  // now), tells the user, then stores companyText as COMPANY. When the
  // file cannot be written, an error box and nothing stored. Returns true
  // when the dialog should close; a ConfigWriteError from storing COMPANY
  // escapes instead (the report is on disk by then) and the dialog stays.
  bool Button1Click(const std::string& companyText);

  // The report's text, CR LF after each line.
  static std::string ReportText(const std::string& company, const CodeBuffer& buffer,
                                const std::string& date);

 private:
  const CodeBuffer& buffer_;
  ConfigFile& config_;
  WindowServices& win_;
  Clock& clock_;
  std::string company_, date_, fileName_, checksum_;
};

}  // namespace tq
