// BenchReport.h: the figures of one benchmark run. Each figure is printed as
// it comes, one line "name value unit (min .. max ..)", and all of them are
// written to a JSON file at the end.
#pragma once

#include <string>
#include <vector>

struct CBenchFigure
{
    std::string strName;
    std::string strUnit;
    double dValue = 0.0;   // the median of the runs
    double dMin = 0.0;
    double dMax = 0.0;
    int nRuns = 0;
    bool bMeasured = true;   // false: the platform gives no such figure (see strNote)
    double dTarget = 0.0;    // ratios against a floor: the value should stay at or below it
    std::string strNote;
};

class CBenchReport
{
public:
    // The median of the samples, with their minimum and maximum.
    void AddSamples(const std::string& strName, const std::vector<double>& samples, const std::string& strUnit,
                    const std::string& strNote = std::string());
    // A ratio against a floor, one sample per interleaved pair of runs;
    // dTarget 0 means no target.
    void AddRatio(const std::string& strName, const std::vector<double>& ratios, double dTarget);
    void AddValue(const std::string& strName, double dValue, const std::string& strUnit,
                  const std::string& strNote = std::string());
    // A figure the platform does not give; printed as such, never as a number.
    void AddUnavailable(const std::string& strName, const std::string& strUnit, const std::string& strNote);
    // A line of explanation, printed with '#' in front and kept in the JSON.
    void AddNote(const std::string& strNote);

    int CountMissedTargets() const;
    bool WriteJson(const std::string& strPath, bool bQuick, double dSeconds) const;

private:
    void Add(const CBenchFigure& figure);

    std::vector<CBenchFigure> m_figures;
    std::vector<std::string> m_notes;
};

double MedianOf(std::vector<double> samples);

// Three significant digits, without an exponent: 36.2, 1.03, 0.00512, 1234.
std::string FormatFigure(double dValue);
