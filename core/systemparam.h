// The system parameter record: every machine, detection, camera, IO and screen setting as 364
// 32-bit fields in a fixed order, with its defaults, the clamps that loading applies and the
// fields derived from the machine type.
#pragma once

#include <cstddef>
#include <type_traits>

class QSqlQuery;
class QString;

// Field indices are the positions of the 32-bit fields in the record (0..363); the comment in
// front of each field gives its first index. Booleans are 0 and 1. Per-camera arrays hold camera
// slots 0..7 in display order; per-detect arrays are indexed by the detect index (0 product check,
// 1 cavity check, 2 and 3 the same checks of the second station).
class SystemParam {
public:
    static constexpr int kFieldCount = 364;
    static constexpr int kPasswordBytes = 100;
    // Index of the first password field and of the shared spare field.
    static constexpr int kPasswordIndex = 217;
    static constexpr int kSpareIndex = 216;

    // A fresh record: every field 0 except the defaults (rest levels 1, detect 1 enabled, cameras
    // enabled, 2 multi-detections, 30-minute temperature record).
    SystemParam();

    // Whole-record copy and comparison: every byte counts, reserved fields included.
    bool operator==(const SystemParam& other) const;
    bool operator!=(const SystemParam& other) const { return !(*this == other); }

    // Access by field index 0..363 (the password occupies 217..241 as raw bytes).
    int field(int index) const;
    void setField(int index, int value);

    // The password as text (Latin-1 up to its NUL). setPassword refuses texts of 100 or more
    // Latin-1 bytes and clears the unused bytes, so that equal passwords compare equal.
    QString passwordText() const;
    bool setPassword(const QString& text);

    // Reads sysadd.txt and the sysparam rows through `query` (PARAM.db), then applies the clamps,
    // the machine-type derivation and the IO captions. Missing rows of the default set are
    // inserted from the loaded record. Sets currentLanguage, detectsPerCamera, initialStation and
    // the IO caption globals. Returns false when a statement failed (the record is still usable).
    bool loadSysParams(QSqlQuery query);
    // Reads serialNB0..7 through `query` (SN.db) into cameraSerials and serialCount; missing rows
    // are inserted as "0". Returns false when a statement failed.
    bool loadSerialNumbers(QSqlQuery query);
    // Writes every sysparam row of `record` (the active copy) in one transaction; a row that does
    // not exist yet is inserted. Returns false, and leaves the stored record as it was, when a
    // statement failed.
    static bool saveSysParams(const SystemParam& record, QSqlQuery query);
    // Rewrites sysadd.txt with paraGroupIndex.
    bool saveParaGroupIndex() const;

    // The fields that follow from the machine type: detect-enable flags, trigger inputs and, on
    // the standard machine, the rest levels of outputs 5 to 7 (0 while productNgEjectorPulse is
    // set). Run by loading and again by the settings on apply (after machineType :=
    // machineTypeEdited). Returns the station a two-station machine starts with (1 left mould,
    // 0 right mould), or -1 when the station stays as it is.
    int deriveMachineFields();
    // Detects per camera of a machine type: 2 standard, 4 two-colour and turntable.
    static int detectsForMachineType(int machineType);

    // --- fields, in storage order ---
    /*   0 */ int exposure[8];          // exposure time; thermal: emissivity in hundredths
    /*   8 */ int gain[8];              // thermal: reflected temperature
    /*  16 */ int sharpness[8];         // thermal: atmospheric temperature
    /*  24 */ int contrast[8];          // thermal: temperature range
    /*  32 */ int gamma[8];             // thermal: target distance
    /*  40 */ int mirrorH[8];
    /*  48 */ int mirrorV[8];
    /*  56 */ int distance[8];          // measuring distance of the network thermal camera
    /*  64 */ int temperatureRange[8];  // second temperature range 0..2
    /*  72 */ int triggerDelay[8];      // per detect, 0.1 s
    /*  80 */ int reserved80;
    /*  81 */ int triggerInput[2];      // product, cavity: input 0..3, 255 = either station
    /*  83 */ int reserved83[16];
    /*  99 */ int inputPolarity[8];     // 0 rising edge, 1 falling edge
    /* 107 */ int reserved107;
    /* 108 */ int outputRestState[10];  // 0 open, 1 closed; outputs 4..9 share one stored level
    /* 118 */ int semiAutomatic;
    /* 119 */ int detectEnabled[8];
    /* 127 */ int cavityFollowsProduct;
    /* 128 */ int clampOffWhenStopped;
    /* 129 */ int motionCorrection;     // -1 off, 0 on
    /* 130 */ int ejectorOffWhenClamping;
    /* 131 */ int passwordEnabled;
    /* 132 */ int templateAutoUpdate;
    /* 133 */ int productCheckEnabled;
    /* 134 */ int serialCount;          // stored serial numbers longer than 8 characters
    /* 135 */ int maxTemplates;
    /* 136 */ int ngImagesKept;
    /* 137 */ int okImagesKept;
    /* 138 */ int screenOffSeconds;     // 0 never
    /* 139 */ int acquisitionSpeed;
    /* 140 */ int differenceMultiple;
    /* 141 */ int autoLogoutSeconds;    // 0 never
    /* 142 */ int reserved142;
    /* 143 */ int recheckCount;
    /* 144 */ int ejectorPulse;         // 100 ms
    /* 145 */ int clampPulse;           // 100 ms
    /* 146 */ int inputTimeoutSeconds;
    /* 147 */ int inputDebounce;        // 100 ms
    /* 148 */ int alarmPulse;           // 100 ms
    /* 149 */ int filterSize;
    /* 150 */ int alarmArea;
    /* 151 */ int productNoEjectorControl;
    /* 152 */ int productNgEjectorPulse;
    /* 153 */ int spareInputSubstitute;
    /* 154 */ int clampCutAfterCavityOk;
    /* 155 */ int ejectorCutAfterProductOk;
    /* 156 */ int okNgPulseMode;
    /* 157 */ int ejectorCutOnProductAlarm;
    /* 158 */ int clampCutOnCavityAlarm;
    /* 159 */ int separateDetectSignals;
    /* 160 */ int temperatureAlarmNoStop;
    /* 161 */ int passwordForSkipMould;
    /* 162 */ int passwordForAddTemplate;
    /* 163 */ int passwordForStop;
    /* 164 */ int doorOpenClearsAlarm;
    /* 165 */ int defectDetectionEnabled;
    /* 166 */ int spotDetectionEnabled;
    /* 167 */ int ignoreAreaEnabled;
    /* 168 */ int manualPositioningEnabled;
    /* 169 */ int showAlgorithmDetails;
    /* 170 */ int doorTriggersDetection;
    /* 171 */ int reserved171;
    /* 172 */ int statisticsEnabled;
    /* 173 */ int spareOutputSubstitute; // 1 + mirrored output, 0 none
    /* 174 */ int maxOffset;            // pixels
    /* 175 */ int templateIsNgImage;
    /* 176 */ int realtimeRoiDisplay;
    /* 177 */ int logEnabled;
    /* 178 */ int reserved178;
    /* 179 */ int matchTemplateBrightness;
    /* 180 */ int angleCorrection;
    /* 181 */ int comPort;              // port "COM%1" with comPort + 1
    /* 182 */ int colourCamera[8];
    /* 190 */ int greyChannel;
    /* 191 */ int lensOptimisationOff;
    /* 192 */ int cameraEnabled[8];
    /* 200 */ int minSpot;
    /* 201 */ int showManualSnapshot;
    /* 202 */ int temperatureChartEnabled;
    /* 203 */ int showFactoryParams;
    /* 204 */ int machineType;          // 0 standard, 1 two-colour, 2 turntable
    /* 205 */ int machineTypeEdited;    // as chosen on the settings screen; the one saved
    /* 206 */ int mouldSide;            // 0 left, 1 right, 2 and 3 both
    /* 207 */ int preCutClamp;          // 0.1 s
    /* 208 */ int autoExposure;
    /* 209 */ int autoWdr;
    /* 210 */ int blackAreaCheck;
    /* 211 */ int whiteAreaCheck;
    /* 212 */ int whiteCountCheck;
    /* 213 */ int temperatureAlarm;
    /* 214 */ int similarityCheck;
    /* 215 */ int rotationCorrection;   // degrees, 0 off
    /* 216 */ int spare;                // every row position that holds no field
    /* 217 */ char password[kPasswordBytes]; // NUL-terminated Latin-1, at most 99 characters
    /* 242 */ int reserved242;
    /* 243 */ int multiDetectCount;
    /* 244 */ int multiDetectColumnRow[10]; // per output column: detection row, -1 none
    /* 254 */ int multiDetectTrigger[10];
    /* 264 */ int multiDetectCutMode[10];   // 0 all, 1 self, 2 none
    /* 274 */ int reserved274[11];
    /* 285 */ int inputNameIndex[10];
    /* 295 */ int outputNameIndex[10];
    /* 305 */ int reserved305[15];
    /* 320 */ int continuousTimedDetection;
    /* 321 */ int cameraExternalTrigger;
    /* 322 */ int temperatureRecordMinutes;
    /* 323 */ int reserved323[32];
    /* 355 */ int paraGroupIndex;       // kept in sysadd.txt
    /* 356 */ int firstDelay;           // 100 ms
    /* 357 */ int secondDelay;          // 100 ms
    /* 358 */ int reserved358[6];
};

static_assert(sizeof(SystemParam) == SystemParam::kFieldCount * 4, "the record is 364 32-bit fields");
static_assert(std::is_standard_layout<SystemParam>::value && std::is_trivially_copyable<SystemParam>::value,
              "the record is copied and compared byte for byte");
static_assert(offsetof(SystemParam, triggerInput) == 81 * 4, "field order");
static_assert(offsetof(SystemParam, outputRestState) == 108 * 4, "field order");
static_assert(offsetof(SystemParam, comPort) == 181 * 4, "field order");
static_assert(offsetof(SystemParam, spare) == SystemParam::kSpareIndex * 4, "field order");
static_assert(offsetof(SystemParam, password) == SystemParam::kPasswordIndex * 4, "field order");
static_assert(offsetof(SystemParam, multiDetectCount) == 243 * 4, "field order");
static_assert(offsetof(SystemParam, temperatureRecordMinutes) == 322 * 4, "field order");
static_assert(offsetof(SystemParam, paraGroupIndex) == 355 * 4, "field order");
