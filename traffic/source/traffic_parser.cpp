#include "traffic/source/traffic_parser.h"

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "liveries/dbase.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

namespace oxl
{

namespace
{

constexpr std::uint32_t kLowestLiveHexid = 10000; // static parked aircraft use the ids up to here
constexpr double kGroundReportRadiusNm = 5.0;     // ground reports count only this near the park airport
constexpr std::size_t kMaxRegistrationLength = 12;

// What an aircraft's report can hold: a number beyond it is no aircraft's and would reach the simulator
// and every line to the traffic source.
struct Limits
{
    double lowest;
    double highest;
};
constexpr Limits kAnyNumber{-1e308, 1e308};
constexpr Limits kTimestampS{0.0, 1e10};
constexpr Limits kAltitudeFt{-2000.0, 100000.0};
constexpr Limits kSpeedKt{0.0, 2000.0};
constexpr Limits kVerticalSpeedFpm{-60000.0, 60000.0};
constexpr Limits kTrackDeg{-360.0, 360.0};
constexpr Limits kTrueHeadingDeg{-360.0, 720.0}; // above 360 its own error text
constexpr Limits kRollDeg{-180.0, 180.0};
constexpr double kTasNotGiven = -1.0;

// A finite number within the limits at the start of the field; trailing characters are ignored. A
// leading blank or '+' fails, and so do infinity and NaN: a non-finite position or speed would pass every
// range test.
std::optional<double> readNumber(std::string_view field, Limits limits = kAnyNumber)
{
    double value = 0.0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || !std::isfinite(value) || value < limits.lowest || value > limits.highest)
        return std::nullopt;
    return value;
}

// An error of one line, with the kind under which its repeats are counted. The text is kept whole beside
// what(): it quotes the datagram, whose NUL bytes would end what() as a C string.
class LineError : public std::runtime_error
{
  public:
    LineError(std::string_view kind, std::string text)
        : std::runtime_error(std::string(kind)), kind(kind), text(std::move(text))
    {
    }
    std::string_view kind; // a literal of the parser's
    std::string text;
};

// The hexid's leading digits; none when the field starts with no digit or overflows 32 bits.
std::optional<std::uint32_t> readHexid(std::string_view field)
{
    std::uint32_t hexid = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), hexid);
    if (ec != std::errc())
        return std::nullopt;
    return hexid;
}

// The field's value, or an error "name:text".
double readNamed(std::string_view name, std::string_view field, Limits limits = kAnyNumber)
{
    const auto value = readNumber(field, limits);
    if (!value)
        throw LineError(name, fmt::format("{}:{}", name, field));
    return *value;
}

// A callsign field that names the aircraft: not empty, not "null", and without the at sign of a non-flight.
bool usableCallsign(std::string_view field)
{
    return !field.empty() && field != "null" && field.find('@') == std::string_view::npos;
}

// The ground rule: on the ground near the reference elevation at low speed, and at any height when slow,
// except a helicopter, which hovers and flies slowly wherever it is.
double groundRule(double altFt, double gsKt, const std::optional<double>& refElevationFt, bool rotorcraft)
{
    if (altFt <= 0.0)
        return 0.0;
    if (altFt < 14000.0)
    {
        const double ref = refElevationFt.value_or(-1000.0);
        const double d = altFt - ref;
        const double ad = std::fabs(d);
        if (d <= 0.0 || (ad <= 45.0 && gsKt <= 120.0) || (ad <= 90.0 && gsKt <= 80.0) ||
            (ad <= 120.0 && gsKt <= 43.0))
            altFt = 0.0;
    }
    if (gsKt <= 35.0 && altFt > 0.0 && !rotorcraft)
        altFt = 0.0;
    return altFt;
}

} // namespace

const std::unordered_set<std::string_view>& excludedTypeCodes()
{
    static const std::unordered_set<std::string_view> codes{"BALL", "EMER", "GLID", "GRND", "GND",
                                                            "PARA", "SERV", "SHIP", "VENT"};
    return codes;
}

bool gf_acceptTypeAndCategory(const AcIdent& ident, std::string_view category)
{
    if (ident.type.empty())
        return false;
    if (category.empty() || category == "null")
        return true;
    if (category == "B1" || category == "B2" || category == "B4" || category == "C1" || category == "C2")
        return false;
    return ident.type.size() <= 4 && !excludedTypeCodes().contains(ident.type);
}

std::string gf_nullToEmpty(std::string_view field)
{
    return field == "null" ? std::string() : std::string(field);
}

std::string gf_latLonText(double latDeg, double lonDeg)
{
    return fmt::format("{:.6f},{:.6f}", latDeg, lonDeg);
}

double gf_defaultTas(double altFt)
{
    if (altFt <= 2000.0)
        return 180.0;
    if (altFt <= 5000.0)
        return 220.0;
    if (altFt <= 10000.0)
        return 250.0;
    if (altFt <= 20000.0)
        return 350.0;
    return 430.0;
}

TrafficLineParser::TrafficLineParser(const TrafficFilter& filter, CallsignCollector& callsigns,
                                     AddingStack& stack, const std::atomic<std::int32_t>& tickCounter,
                                     std::atomic<double>& lastTimestamp)
    : filter_(filter), callsigns_(callsigns), stack_(stack), tickCounter_(tickCounter),
      lastTimestamp_(lastTimestamp)
{
    fields_.reserve(64);
}

LineOutcome TrafficLineParser::handleDatagram(std::string_view datagram, std::string_view sender)
{
    sender_ = sender;
    if (datagram.find(" VEH") != std::string_view::npos)
        return LineOutcome::ignored;
    fields_.clear();
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t comma = datagram.find(',', start);
        if (comma == std::string_view::npos)
        {
            fields_.push_back(datagram.substr(start));
            break;
        }
        fields_.push_back(datagram.substr(start, comma - start));
        start = comma + 1;
    }
    return processLineSub(datagram);
}

std::string_view TrafficLineParser::field(std::size_t index) const
{
    // A short line reads its missing fields as empty, so the usual rules (and error texts) apply.
    return index < fields_.size() ? fields_[index] : std::string_view();
}

LineOutcome TrafficLineParser::processLineSub(std::string_view datagram)
{
    try
    {
        return parse(datagram);
    }
    catch (const LineError& e)
    {
        logError(e.kind, e.text);
    }
    catch (const std::exception& e)
    {
        logError("other", e.what());
    }
    return LineOutcome::error;
}

void TrafficLineParser::logError(std::string_view kind, std::string_view text)
{
    // The error texts carry the datagram's bytes; the line names its aircraft as sent, whichever field
    // failed. The text is made only when the line is written.
    repeats_.write(kind,
                   [this, text]
                   {
                       const bool callsignKnown = usableCallsign(field(9));
                       return fmt::format("exception in processLineSub: {} (hexid {}{}{})",
                                          gf_outsideText(text), gf_outsideText(field(1)),
                                          callsignKnown ? ", callsign " : "",
                                          callsignKnown ? gf_outsideText(field(9)) : std::string());
                   },
                   LogForm::plain, {sender_, field(1)});
}

void TrafficLineParser::logHeldErrors(bool all)
{
    repeats_.flush(all);
}

LineOutcome TrafficLineParser::parse(std::string_view datagram)
{
    TrafficLine line;
    line.timestamp = readNamed("timestamp", field(14), kTimestampS);
    lastTimestamp_.store(line.timestamp, std::memory_order_relaxed);

    Report& report = line.report;
    report.lat = readNamed("lat", field(2));
    report.lon = readNamed("lon", field(3));
    if (report.lat < -90.0 || report.lat > 90.0 || report.lon < -180.0 || report.lon > 180.0 ||
        (std::fabs(report.lat) <= 0.0001 && std::fabs(report.lon) <= 0.0001))
        throw LineError("lalo", fmt::format("invalid lalo: {}", gf_latLonText(report.lat, report.lon)));

    const FilterSnapshot filter = filter_.snapshot();
    const double rangeNm = gf_distanceNm({filter.rangeLat, filter.rangeLon}, {report.lat, report.lon});
    if (rangeNm > filter.radiusNm)
    {
        // Beyond the range only an aircraft already known is followed, up to the let-go radius.
        if (rangeNm > gf_letGoRadiusNm(filter) || !filter_.knows(readHexid(field(1)).value_or(0)))
            return LineOutcome::dropped;
        line.beyondRange = 1;
    }

    const std::string_view registration = field(11);
    if (registration.size() > kMaxRegistrationLength)
        return LineOutcome::dropped;
    line.registration = gf_nullToEmpty(registration);

    const std::string_view callsign = field(9);
    if (callsigns_.collecting() && usableCallsign(callsign))
        callsigns_.offer(callsign);

    const std::string_view type = field(10);
    if (type != "null" && type != "0" && type != "ZZZZ")
        line.type = type;
    if (!gf_acceptTypeAndCategory(line, field(28)))
        return LineOutcome::dropped;

    if (field(17) == "adsb_icao")
    {
        const double heading = readNamed("trueheading", field(25), kTrueHeadingDeg);
        if (heading > 360.0)
            throw LineError("trueheading", fmt::format("trueheading: {:.2f}", heading));
        if (heading >= 0.0)
        {
            // 0 rad stands for "no heading": north is 2 pi, and so is a heading so small that its
            // radians underflow to 0.
            const double radians = heading * kDegToRad;
            report.trueHeading = radians > 0.0 ? radians : kTwoPi;
        }
        report.headingFromAdsb = report.trueHeading.has_value() ? 1 : 0;
    }

    const std::optional<std::uint32_t> hexid = readHexid(field(1));
    if (!hexid)
        throw LineError("hexid", fmt::format("hexid incorrect{}", field(1)));
    if (*hexid <= kLowestLiveHexid)
        return LineOutcome::dropped;
    line.hexid = *hexid;

    report.gs = readNamed("gs", field(8), kSpeedKt);
    const auto alt = readNumber(field(4), kAltitudeFt);
    if (!alt)
        throw LineError("altitude", fmt::format("altitude {} incorrect, from: {}", field(4), datagram));
    report.alt = groundRule(*alt, report.gs, filter.refElevationFt,
                            gf_aircraftCategory(line.type) == AcCategory::Rotorcraft);
    report.airborne = report.alt > 0.0 ? 1 : 0;

    if (callsign == "ERARMTR0" || callsign == "AIRPORT1")
        return LineOutcome::dropped;
    if (usableCallsign(callsign))
        line.callsign = callsign;
    if (line.callsign.empty() && line.registration.empty())
        return LineOutcome::dropped;

    if (!report.airborne &&
        (!filter.parkSet ||
         gf_distanceNm({filter.parkLat, filter.parkLon}, {report.lat, report.lon}) > kGroundReportRadiusNm))
        return LineOutcome::dropped;

    const std::string_view track = field(7);
    if (!track.empty())
    {
        const auto value = readNumber(track, kTrackDeg);
        if (!value)
            throw LineError("track", fmt::format("track incorrect {}", track));
        report.track = *value;
    }
    if (report.track == 0.0 && report.trueHeading)
        report.track = *report.trueHeading * kRadToDeg;

    report.vs = readNamed("vs", field(5), kVerticalSpeedFpm);
    line.origin = gf_nullToEmpty(field(12));
    line.destination = gf_nullToEmpty(field(13));

    if (report.airborne)
    {
        const double roll = readNamed("roll", field(23), kRollDeg);
        if (roll != -1.0 && roll != 0.0)
            report.roll = -roll * kDegToRad;
    }

    const auto tas = readNumber(field(20));
    if (!tas || (*tas != kTasNotGiven && (*tas < kSpeedKt.lowest || *tas > kSpeedKt.highest)))
        throw LineError("TAS", fmt::format("TAS incorrect{}", field(20)));
    report.tas = *tas == kTasNotGiven ? gf_defaultTas(report.alt) : *tas;
    report.stationary = 0;

    return stack_.push(std::move(line), tickCounter_.load(std::memory_order_relaxed))
               ? LineOutcome::pushed
               : LineOutcome::discarded;
}

} // namespace oxl
