#include "flows/CheckSumReport.h"

#include <cstdio>

namespace tq {

CheckSumReport::CheckSumReport(const CodeBuffer& buffer, ConfigFile& config, WindowServices& win,
                               Clock& clock)
    : buffer_(buffer), config_(config), win_(win), clock_(clock) {
  company_ = config_.ReadString("INFORMATION", "COMPANY", kDefaultCompany);
  date_ = clock_.ShortDateText();
  fileName_ = buffer_.fileName.value_or("");
  checksum_ = Hex4(buffer_.checksum);
}

std::string CheckSumReport::ReportText(const std::string& company, const CodeBuffer& buffer,
                                       const std::string& date) {
  // Before any load there is no file name at all, and the report has
  // always said so with "(null)" rather than an empty field.
  return "Company Name:" + company + "\r\n" + "File Name:" + buffer.fileName.value_or("(null)") +
         "\r\n" + "Date:" + date + "\r\n" + "CheckSum:" + Hex4(buffer.checksum) + "\r\n";
}

bool CheckSumReport::Button1Click(const std::string& companyText) {
  std::FILE* file = std::fopen(kReportFileName, "wb");
  if (file == nullptr) {
    win_.ErrorBox("Creat File fail!");
    return true;
  }
  const std::string text = ReportText(companyText, buffer_, clock_.ShortDateText());
  // The file is closed before anyone is told: the lines must be on disk
  // even when storing the company name fails afterwards. A write that does
  // not reach the disk (a full disk) is no report, so it is not announced
  // as one and the company name is not stored.
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    win_.ErrorBox("Creat File fail!");
    return true;
  }
  win_.InfoBox("CheckSum.txt created.");
  config_.WriteString("INFORMATION", "COMPANY", companyText);
  return true;
}

}  // namespace tq
