#include "THelpText.h"

namespace {
const QString CrLf = QStringLiteral("\r\n");
const QChar Quote = QLatin1Char('"');
}

QStringList THelpText::Pieces(const THelpTextSettings &s)
{
    QStringList pieces;
    pieces
        << QStringLiteral(
               R"({\rtf1\ansi\ansicpg1252\deff0\deflang1033{\fonttbl{\f0\fswiss\fprq2\fcharset0 Verdana;}})"
               R"({\colortbl\red64\green64\blue64;\red255\green255\blue64;\red64\green64\blue255;\red255\green64\blue64;})"
               R"(\viewkind4\uc1\pard\f0\fs32\cf0)")
            + CrLf + QStringLiteral(R"({\b )");
    pieces << s.CompanyName;
    pieces << QStringLiteral(" ");
    pieces << s.CardName;
    if (s.bSeries)
        pieces << QStringLiteral(" Series");
    pieces << QStringLiteral(R"( Settings Program}\par\par\fs24)") + CrLf;
    pieces
        << QStringLiteral(
               R"(This program will help you configure the option jumpers and settings associated with this product. )"
               R"(You should have the product in-hand when first using this program.\par\par)")
            + CrLf;
    pieces << QStringLiteral(
                  R"({\cf1\fs24\b Yellow circles} provide information on configuring jumpers and switches.\par\par)")
            + CrLf;
    pieces << QStringLiteral(
                  R"({\cf2\fs24\b Blue circles} are informational only. They provide information on standard and )"
                  R"(optional features of the product family.\par\par)")
            + CrLf;
    pieces << QStringLiteral(
        R"({\cf3\fs24\b Red circles} handle calibration and types of configuration that require actually )"
        R"(controlling the hardware device. Run this settings program again once the card is installed. )");
    pieces << QStringLiteral(
                  R"(Repeat the {\cf1 setup circles} (using the same settings) to configure this program, then )"
                  R"(perform the {\cf3 calibration circles}.\par\par)")
            + CrLf;
    pieces << QStringLiteral(
        R"(Mouse over the highlight circles to see configuration or information popups for {\cf1 setup}, )"
        R"({\cf2 features}, and {\cf3 calibration}. Click a highlight circle to make its popup remain on-screen. )");
    pieces << QStringLiteral(
                  R"(You can have all or as many of these popups onscreen at the same time as you desire.\par\par)")
            + CrLf;
    if (s.MultiPort) {
        pieces << QStringLiteral(R"({\fs32\b Note:} Make sure to set the jumpers for each option group \emdash  the )"
                                 R"(configuration options for each port are handled identically; )");
        pieces << QStringLiteral(
                      R"(this program only shows the setup once, but you need to perform this setup for each group of )"
                      R"(options on your device.\par\par)")
                + CrLf;
    }
    if (s.CardList) {
        pieces << QStringLiteral("To see a list of ") + s.CardName + QStringLiteral(" cards installed, click ") + Quote
                + QStringLiteral("Display ") + s.CardName + QStringLiteral(" Cards Installed") + Quote
                + QStringLiteral(R"( under the File menu.\par\par)") + CrLf;
    }
    pieces << QStringLiteral("}");
    return pieces;
}

QString THelpText::Rtf(const THelpTextSettings &settings)
{
    return Pieces(settings).join(QString());
}

QString THelpText::SupportText(const QString &companyName, const QString &callHow)
{
    return QStringLiteral("There are several ways to get technical support. First and fastest is to skim the relevant "
                          "sections of the manual. However, some questions require personal assistance, and ")
        + companyName + QStringLiteral(" stands ready to provide that help. You can call us ") + callHow
        + QStringLiteral(" for any of your product questions.") + CrLf + CrLf
        + QStringLiteral("In order to provide the best and fastest support possible, we ask that you be at your "
                         "computer when you call, and have the ")
        + companyName + QStringLiteral(" product manual and Softvane CD at hand.");
}
