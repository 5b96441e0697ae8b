// BenchReport.cpp: figures, their printing and the JSON file.
#include "BenchReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
std::string EscapeJson(const std::string& str)
{
    std::string strOut;
    for (char c : str)
    {
        switch (c)
        {
        case '"': strOut += "\\\""; break;
        case '\\': strOut += "\\\\"; break;
        case '\n': strOut += "\\n"; break;
        case '\t': strOut += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
            {
                char szCode[8];
                snprintf(szCode, sizeof(szCode), "\\u%04x", static_cast<unsigned char>(c));
                strOut += szCode;
            }
            else
                strOut += c;
        }
    }
    return strOut;
}

// JSON has no NaN or infinity: such a value is written as null.
std::string JsonNumber(double dValue)
{
    if (!std::isfinite(dValue))
        return "null";
    char szValue[32];
    snprintf(szValue, sizeof(szValue), "%.6g", dValue);
    return szValue;
}

bool MissesTarget(const CBenchFigure& figure)
{
    return figure.bMeasured && figure.dTarget > 0.0 && figure.dValue > figure.dTarget;
}
}

double MedianOf(std::vector<double> samples)
{
    if (samples.empty())
        return NAN;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
}

std::string FormatFigure(double dValue)
{
    if (!std::isfinite(dValue))
        return "n/a";
    const double dAbs = std::fabs(dValue);
    int nDecimals = 0;
    if (dAbs > 0.0 && dAbs < 100.0)
        nDecimals = (std::min)(6, 2 - static_cast<int>(std::floor(std::log10(dAbs))));
    char szValue[48];
    snprintf(szValue, sizeof(szValue), "%.*f", nDecimals, dValue);
    return szValue;
}

namespace
{
// Median and extremes of the samples; with none, the figure is not measured
// and says why unless it has a note already.
void SetFromSamples(CBenchFigure& figure, const std::vector<double>& samples, const char* pszNoneNote)
{
    figure.nRuns = static_cast<int>(samples.size());
    if (samples.empty())
    {
        figure.bMeasured = false;
        if (figure.strNote.empty())
            figure.strNote = pszNoneNote;
        return;
    }
    figure.dValue = MedianOf(samples);
    figure.dMin = *std::min_element(samples.begin(), samples.end());
    figure.dMax = *std::max_element(samples.begin(), samples.end());
}
}

void CBenchReport::AddSamples(const std::string& strName, const std::vector<double>& samples,
                              const std::string& strUnit, const std::string& strNote)
{
    CBenchFigure figure;
    figure.strName = strName;
    figure.strUnit = strUnit;
    figure.strNote = strNote;
    SetFromSamples(figure, samples, "no run completed");
    Add(figure);
}

void CBenchReport::AddRatio(const std::string& strName, const std::vector<double>& ratios, double dTarget)
{
    CBenchFigure figure;
    figure.strName = strName;
    figure.strUnit = "x";
    figure.dTarget = dTarget;
    SetFromSamples(figure, ratios, "no pair of runs completed");
    Add(figure);
}

void CBenchReport::AddValue(const std::string& strName, double dValue, const std::string& strUnit,
                            const std::string& strNote)
{
    CBenchFigure figure;
    figure.strName = strName;
    figure.strUnit = strUnit;
    figure.dValue = figure.dMin = figure.dMax = dValue;
    figure.nRuns = 1;
    figure.bMeasured = std::isfinite(dValue);
    figure.strNote = strNote;
    Add(figure);
}

void CBenchReport::AddUnavailable(const std::string& strName, const std::string& strUnit, const std::string& strNote)
{
    CBenchFigure figure;
    figure.strName = strName;
    figure.strUnit = strUnit;
    figure.bMeasured = false;
    figure.strNote = strNote;
    Add(figure);
}

void CBenchReport::AddNote(const std::string& strNote)
{
    m_notes.push_back(strNote);
    printf("# %s\n", strNote.c_str());
    fflush(stdout);
}

void CBenchReport::Add(const CBenchFigure& figure)
{
    m_figures.push_back(figure);
    if (!figure.bMeasured)
        printf("%s n/a %s (%s)\n", figure.strName.c_str(), figure.strUnit.c_str(), figure.strNote.c_str());
    else
    {
        printf("%s %s %s (min %s max %s)", figure.strName.c_str(), FormatFigure(figure.dValue).c_str(),
               figure.strUnit.c_str(), FormatFigure(figure.dMin).c_str(), FormatFigure(figure.dMax).c_str());
        if (figure.dTarget > 0.0)
            printf(" target <= %s%s", FormatFigure(figure.dTarget).c_str(), MissesTarget(figure) ? " MISSED" : "");
        if (!figure.strNote.empty())
            printf(" [%s]", figure.strNote.c_str());
        printf("\n");
    }
    fflush(stdout);
}

int CBenchReport::CountMissedTargets() const
{
    int n = 0;
    for (const CBenchFigure& figure : m_figures)
        n += MissesTarget(figure) ? 1 : 0;
    return n;
}

bool CBenchReport::WriteJson(const std::string& strPath, bool bQuick, double dSeconds) const
{
    FILE* pFile = nullptr;
    if (fopen_s(&pFile, strPath.c_str(), "wb") != 0 || pFile == nullptr)
        return false;
    fprintf(pFile, "{\n  \"program\": \"KivoBench\",\n  \"quick\": %s,\n  \"seconds\": %s,\n",
            bQuick ? "true" : "false", JsonNumber(dSeconds).c_str());
    fprintf(pFile, "  \"figures\": [\n");
    for (size_t i = 0; i < m_figures.size(); ++i)
    {
        const CBenchFigure& figure = m_figures[i];
        fprintf(pFile, "    {\"name\": \"%s\", \"unit\": \"%s\", ", EscapeJson(figure.strName).c_str(),
                EscapeJson(figure.strUnit).c_str());
        if (figure.bMeasured)
            fprintf(pFile, "\"value\": %s, \"min\": %s, \"max\": %s, \"runs\": %d", JsonNumber(figure.dValue).c_str(),
                    JsonNumber(figure.dMin).c_str(), JsonNumber(figure.dMax).c_str(), figure.nRuns);
        else
            fprintf(pFile, "\"value\": null, \"runs\": 0");
        if (figure.dTarget > 0.0)
            fprintf(pFile, ", \"target\": %s, \"met\": %s", JsonNumber(figure.dTarget).c_str(),
                    figure.bMeasured && !MissesTarget(figure) ? "true" : "false");
        if (!figure.strNote.empty())
            fprintf(pFile, ", \"note\": \"%s\"", EscapeJson(figure.strNote).c_str());
        fprintf(pFile, "}%s\n", i + 1 < m_figures.size() ? "," : "");
    }
    fprintf(pFile, "  ],\n  \"notes\": [\n");
    for (size_t i = 0; i < m_notes.size(); ++i)
        fprintf(pFile, "    \"%s\"%s\n", EscapeJson(m_notes[i]).c_str(), i + 1 < m_notes.size() ? "," : "");
    fprintf(pFile, "  ]\n}\n");
    const bool bOk = ferror(pFile) == 0;
    return fclose(pFile) == 0 && bOk;
}
