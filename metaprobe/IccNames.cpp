#include "metaprobe/IccNames.h"

namespace metaprobe {

namespace {

struct Named {
    const char* key;
    const char* name;
};

// The registered signatures, sorted by their bytes.
const Named kVendors[] = {
        {"4d2p", "Erdt Systems GmbH & Co KG"},
        {"AAMA", "Aamazing Technologies, Inc."},
        {"ACER", "Acer Peripherals"},
        {"ACLT", "Acolyte Color Research"},
        {"ACTI", "Actix Systems, Inc."},
        {"ADAR", "Adara Technology, Inc."},
        {"ADBE", "Adobe Systems Inc."},
        {"ADI ", "ADI Systems, Inc."},
        {"AGFA", "Agfa Graphics N.V."},
        {"ALMD", "Alps Electric USA, Inc."},
        {"ALPS", "Alps Electric USA, Inc."},
        {"ALWN", "Alwan Color Expertise"},
        {"AMTI", "Amiable Technologies, Inc."},
        {"AOC ", "AOC International (U.S.A), Ltd."},
        {"APAG", "Apago"},
        {"APPL", "Apple Computer Inc."},
        {"AST ", "AST"},
        {"AT&T", "AT&T Computer Systems"},
        {"BAEL", "BARBIERI electronic"},
        {"BRCO", "Barco NV"},
        {"BRKP", "Breakpoint Pty Limited"},
        {"BROT", "Brother Industries, LTD"},
        {"BULL", "Bull"},
        {"BUS ", "Bus Computer Systems"},
        {"C-IT", "C-Itoh"},
        {"CAMR", "Intel Corporation"},
        {"CANO", "Canon, Inc. (Canon Development Americas, Inc.)"},
        {"CARR", "Carroll Touch"},
        {"CASI", "Casio Computer Co., Ltd."},
        {"CBUS", "Colorbus PL"},
        {"CEL ", "Crossfield"},
        {"CELx", "Crossfield"},
        {"CGS ", "CGS Publishing Technologies International GmbH"},
        {"CHM ", "Rochester Robotics"},
        {"CIGL", "Colour Imaging Group, London"},
        {"CITI", "Citizen"},
        {"CL00", "Candela, Ltd."},
        {"CLIQ", "Color IQ"},
        {"CMCO", "Chromaco, Inc."},
        {"CMiX", "CHROMiX"},
        {"COLO", "Colorgraphic Communications Corporation"},
        {"COMP", "COMPAQ Computer Corporation"},
        {"COMp", "Compeq USA/Focus Technology"},
        {"CONR", "Conrac Display Products"},
        {"CORD", "Cordata Technologies, Inc."},
        {"CPQ ", "Compaq Computer Corporation"},
        {"CPRO", "ColorPro"},
        {"CRN ", "Cornerstone"},
        {"CTX ", "CTX International, Inc."},
        {"CVIS", "ColorVision"},
        {"CWC ", "Fujitsu Laboratories, Ltd."},
        {"DARI", "Darius Technology, Ltd."},
        {"DATA", "Dataproducts"},
        {"DCP ", "Dry Creek Photo"},
        {"DCRC", "Digital Contents Resource Center, Chung-Ang University"},
        {"DELL", "Dell Computer Corporation"},
        {"DIC ", "Dainippon Ink and Chemicals"},
        {"DICO", "Diconix"},
        {"DIGI", "Digital"},
        {"DL&C", "Digital Light & Color"},
        {"DPLG", "Doppelganger, LLC"},
        {"DS  ", "Dainippon Screen"},
        {"DSOL", "DOOSOL"},
        {"DUPN", "DuPont"},
        {"EPSO", "Epson"},
        {"ESKO", "Esko-Graphics"},
        {"ETRI", "Electronics and Telecommunications Research Institute"},
        {"EVER", "Everex Systems, Inc."},
        {"EXAC", "ExactCODE GmbH"},
        {"Eizo", "EIZO NANAO CORPORATION"},
        {"FALC", "Falco Data Products, Inc."},
        {"FF  ", "Fuji Photo Film Co.,LTD"},
        {"FFEI", "FujiFilm Electronic Imaging, Ltd."},
        {"FNRD", "fnord software"},
        {"FORA", "Fora, Inc."},
        {"FORE", "Forefront Technology Corporation"},
        {"FP  ", "Fujitsu"},
        {"FPA ", "WayTech Development, Inc."},
        {"FUJI", "Fujitsu"},
        {"FX  ", "Fuji Xerox Co., Ltd."},
        {"GCC ", "GCC Technologies, Inc."},
        {"GGSL", "Global Graphics Software Limited"},
        {"GMB ", "Gretagmacbeth"},
        {"GMG ", "GMG GmbH & Co. KG"},
        {"GOLD", "GoldStar Technology, Inc."},
        {"GOOG", "Google"},
        {"GPRT", "Giantprint Pty Ltd"},
        {"GTMB", "Gretagmacbeth"},
        {"GVC ", "WayTech Development, Inc."},
        {"GW2K", "Sony Corporation"},
        {"HCI ", "HCI"},
        {"HDM ", "Heidelberger Druckmaschinen AG"},
        {"HERM", "Hermes"},
        {"HITA", "Hitachi America, Ltd."},
        {"HP  ", "Hewlett-Packard"},
        {"HTC ", "Hitachi, Ltd."},
        {"HiTi", "HiTi Digital, Inc."},
        {"IBM ", "IBM Corporation"},
        {"IDNT", "Scitex Corporation, Ltd."},
        {"IEC ", "Hewlett-Packard"},
        {"IIYA", "Iiyama North America, Inc."},
        {"IKEG", "Ikegami Electronics, Inc."},
        {"IMAG", "Image Systems Corporation"},
        {"IMI ", "Ingram Micro, Inc."},
        {"INTC", "Intel Corporation"},
        {"INTL", "N/A (INTL)"},
        {"INTR", "Intra Electronics USA, Inc."},
        {"IOCO", "Iocomm International Technology Corporation"},
        {"IPS ", "InfoPrint Solutions Company"},
        {"IRIS", "Scitex Corporation, Ltd."},
        {"ISL ", "Ichikawa Soft Laboratory"},
        {"ITNL", "N/A (ITNL)"},
        {"IVM ", "IVM"},
        {"IWAT", "Iwatsu Electric Co., Ltd."},
        {"Idnt", "Scitex Corporation, Ltd."},
        {"Inca", "Inca Digital Printers Ltd."},
        {"Iris", "Scitex Corporation, Ltd."},
        {"JPEG", "Joint Photographic Experts Group"},
        {"JSFT", "Jetsoft Development"},
        {"JVC ", "JVC Information Products Co."},
        {"KART", "Scitex Corporation, Ltd."},
        {"KFC ", "KFC Computek Components Corporation"},
        {"KLH ", "KLH Computers"},
        {"KMHD", "Konica Minolta Holdings, Inc."},
        {"KNCA", "Konica Corporation"},
        {"KODA", "Kodak"},
        {"KYOC", "Kyocera"},
        {"Kart", "Scitex Corporation, Ltd."},
        {"LCAG", "Leica Camera AG"},
        {"LCCD", "Leeds Colour"},
        {"LDAK", "Left Dakota"},
        {"LEAD", "Leading Technology, Inc."},
        {"LEXM", "Lexmark International, Inc."},
        {"LINK", "Link Computer, Inc."},
        {"LINO", "Linotronic"},
        {"LITE", "Lite-On, Inc."},
        {"Leaf", "Leaf"},
        {"Lino", "Linotronic"},
        {"MAGC", "Mag Computronic (USA) Inc."},
        {"MAGI", "MAG Innovision, Inc."},
        {"MANN", "Mannesmann"},
        {"MICN", "Micron Technology, Inc."},
        {"MICR", "Microtek"},
        {"MICV", "Microvitec, Inc."},
        {"MINO", "Minolta"},
        {"MITS", "Mitsubishi Electronics America, Inc."},
        {"MITs", "Mitsuba Corporation"},
        {"MNLT", "Minolta"},
        {"MODG", "Modgraph, Inc."},
        {"MONI", "Monitronix, Inc."},
        {"MONS", "Monaco Systems Inc."},
        {"MORS", "Morse Technology, Inc."},
        {"MOTI", "Motive Systems"},
        {"MSFT", "Microsoft Corporation"},
        {"MUTO", "MUTOH INDUSTRIES LTD."},
        {"Mits", "Mitsubishi Electric Corporation Kyoto Works"},
        {"NANA", "NANAO USA Corporation"},
        {"NEC ", "NEC Corporation"},
        {"NEXP", "NexPress Solutions LLC"},
        {"NISS", "Nissei Sangyo America, Ltd."},
        {"NKON", "Nikon Corporation"},
        {"NONE", "none"},
        {"OCE ", "Oce Technologies B.V."},
        {"OCEC", "OceColor"},
        {"OKI ", "Oki"},
        {"OKID", "Okidata"},
        {"OKIP", "Okidata"},
        {"OLIV", "Olivetti"},
        {"OLYM", "OLYMPUS OPTICAL CO., LTD"},
        {"ONYX", "Onyx Graphics"},
        {"OPTI", "Optiquest"},
        {"PACK", "Packard Bell"},
        {"PANA", "Matsushita Electric Industrial Co., Ltd."},
        {"PANT", "Pantone, Inc."},
        {"PBN ", "Packard Bell"},
        {"PFU ", "PFU Limited"},
        {"PHIL", "Philips Consumer Electronics Co."},
        {"PNTX", "HOYA Corporation PENTAX Imaging Systems Division"},
        {"POne", "Phase One A/S"},
        {"PREM", "Premier Computer Innovations"},
        {"PRIN", "Princeton Graphic Systems"},
        {"PRIP", "Princeton Publishing Labs"},
        {"QLUX", "Hong Kong"},
        {"QMS ", "QMS, Inc."},
        {"QPCD", "QPcard AB"},
        {"QUAD", "QuadLaser"},
        {"QUME", "Qume Corporation"},
        {"RADI", "Radius, Inc."},
        {"RDDx", "Integrated Color Solutions, Inc."},
        {"RDG ", "Roland DG Corporation"},
        {"REDM", "REDMS Group, Inc."},
        {"RELI", "Relisys"},
        {"RGMS", "Rolf Gierling Multitools"},
        {"RICO", "Ricoh Corporation"},
        {"RNLD", "Edmund Ronald"},
        {"ROYA", "Royal"},
        {"RPC ", "Ricoh Printing Systems,Ltd."},
        {"RTL ", "Royal Information Electronics Co., Ltd."},
        {"SAMP", "Sampo Corporation of America"},
        {"SAMS", "Samsung, Inc."},
        {"SANT", "Jaime Santana Pomares"},
        {"SCIT", "Scitex Corporation, Ltd."},
        {"SCRN", "Dainippon Screen"},
        {"SDP ", "Scitex Corporation, Ltd."},
        {"SEC ", "SAMSUNG ELECTRONICS CO.,LTD"},
        {"SEIK", "Seiko Instruments U.S.A., Inc."},
        {"SEIk", "Seikosha"},
        {"SGUY", "ScanGuy.com"},
        {"SHAR", "Sharp Laboratories"},
        {"SICC", "International Color Consortium"},
        {"SONY", "SONY Corporation"},
        {"SPCL", "SpectraCal"},
        {"STAR", "Star"},
        {"STC ", "Sampo Technology Corporation"},
        {"Scit", "Scitex Corporation, Ltd."},
        {"Sdp ", "Scitex Corporation, Ltd."},
        {"Sony", "Sony Corporation"},
        {"TALO", "Talon Technology Corporation"},
        {"TAND", "Tandy"},
        {"TATU", "Tatung Co. of America, Inc."},
        {"TAXA", "TAXAN America, Inc."},
        {"TDS ", "Tokyo Denshi Sekei K.K."},
        {"TECO", "TECO Information Systems, Inc."},
        {"TEGR", "Tegra"},
        {"TEKT", "Tektronix, Inc."},
        {"TI  ", "Texas Instruments"},
        {"TMKR", "TypeMaker Ltd."},
        {"TOSB", "TOSHIBA corp."},
        {"TOSH", "Toshiba, Inc."},
        {"TOTK", "TOTOKU ELECTRIC Co., LTD"},
        {"TRIU", "Triumph"},
        {"TSBT", "TOSHIBA TEC CORPORATION"},
        {"TTX ", "TTX Computer Products, Inc."},
        {"TVM ", "TVM Professional Monitor Corporation"},
        {"TW  ", "TW Casper Corporation"},
        {"ULSX", "Ulead Systems"},
        {"UNIS", "Unisys"},
        {"UTZF", "Utz Fehlau & Sohn"},
        {"VARI", "Varityper"},
        {"VIEW", "Viewsonic"},
        {"VISL", "Visual communication"},
        {"VIVO", "Vivo Mobile Communication Co., Ltd"},
        {"WANG", "Wang"},
        {"WLBR", "Wilbur Imaging"},
        {"WTG2", "Ware To Go"},
        {"WYSE", "WYSE Technology"},
        {"XERX", "Xerox Corporation"},
        {"XRIT", "X-Rite"},
        {"Z123", "Lavanya's test Company"},
        {"ZRAN", "Zoran Corporation"},
        {"Zebr", "Zebra Technologies Inc"},
        {"appl", "Apple Computer Inc."},
        {"bICC", "basICColor GmbH"},
        {"berg", "bergdesign incorporated"},
        {"ceyd", "Integrated Color Solutions, Inc."},
        {"clsp", "MacDermid ColorSpan, Inc."},
        {"ds  ", "Dainippon Screen"},
        {"dupn", "DuPont"},
        {"ffei", "FujiFilm Electronic Imaging, Ltd."},
        {"flux", "FluxData Corporation"},
        {"iris", "Scitex Corporation, Ltd."},
        {"kart", "Scitex Corporation, Ltd."},
        {"lcms", "Little CMS"},
        {"lino", "Linotronic"},
        {"none", "none"},
        {"ob4d", "Erdt Systems GmbH & Co KG"},
        {"obic", "Medigraph GmbH"},
        {"quby", "Qubyx Sarl"},
        {"scit", "Scitex Corporation, Ltd."},
        {"scrn", "Dainippon Screen"},
        {"sdp ", "Scitex Corporation, Ltd."},
        {"siwi", "SIWI GRAFIKA CORPORATION"},
        {"yxym", "YxyMaster GmbH"},
};

const Named kClasses[] = {
        {"abst", "Abstract Profile"},
        {"cenc", "ColorEncodingSpace Profile"},
        {"link", "DeviceLink Profile"},
        {"mid ", "MultiplexIdentification Profile"},
        {"mlnk", "MultiplexLink Profile"},
        {"mntr", "Display Device Profile"},
        {"mvis", "MultiplexVisualization Profile"},
        {"nkpf", "Nikon Input Device Profile (NON-STANDARD!)"},
        {"nmcl", "NamedColor Profile"},
        {"prtr", "Output Device Profile"},
        {"scnr", "Input Device Profile"},
        {"spac", "ColorSpace Conversion Profile"},
};

const Named kPlatforms[] = {
        {"APPL", "Apple Computer Inc."},   {"MSFT", "Microsoft Corporation"},
        {"SGI ", "Silicon Graphics Inc."}, {"SUNW", "Sun Microsystems Inc."},
        {"TGNT", "Taligent Inc."},
};

const Named kTechnologies[] = {
        {"AMD ", "Active Matrix Display"},
        {"CRT ", "Cathode Ray Tube Display"},
        {"KPCD", "Photo CD"},
        {"PMD ", "Passive Matrix Display"},
        {"dcam", "Digital Camera"},
        {"dcpj", "Digital Cinema Projector"},
        {"dmpc", "Digital Motion Picture Camera"},
        {"dsub", "Dye Sublimation Printer"},
        {"epho", "Electrophotographic Printer"},
        {"esta", "Electrostatic Printer"},
        {"flex", "Flexography"},
        {"fprn", "Film Writer"},
        {"fscn", "Film Scanner"},
        {"grav", "Gravure"},
        {"ijet", "Ink Jet Printer"},
        {"imgs", "Photo Image Setter"},
        {"mpfr", "Motion Picture Film Recorder"},
        {"mpfs", "Motion Picture Film Scanner"},
        {"offs", "Offset Lithography"},
        {"pjtv", "Projection Television"},
        {"rpho", "Photographic Paper Printer"},
        {"rscn", "Reflective Scanner"},
        {"silk", "Silkscreen"},
        {"twax", "Thermal Wax Printer"},
        {"vidc", "Video Camera"},
        {"vidm", "Video Monitor"},
};

template <size_t N> std::string Lookup(const Named (&table)[N], const std::string& signature)
{
    for (const Named& entry : table) {
        if (signature == entry.key)
            return entry.name;
    }
    return "Unknown (" + signature + ")";
}

std::string Coded(const char* const* names, uint32_t count, uint32_t code)
{
    if (code < count && names[code])
        return names[code];
    return "Unknown (" + std::to_string(code) + ")";
}

}  // namespace

std::string IccVendorName(const std::string& signature)
{
    // An unset signature is registered as an empty name.
    if (signature.empty())
        return {};
    return Lookup(kVendors, signature);
}

std::string IccClassName(const std::string& signature)
{
    return Lookup(kClasses, signature);
}

std::string IccPlatformName(const std::string& signature)
{
    return Lookup(kPlatforms, signature);
}

std::string IccTechnologyName(const std::string& signature)
{
    return Lookup(kTechnologies, signature);
}

std::string IccIntentName(uint32_t intent)
{
    static const char* const names[] = {"Perceptual", "Media-Relative Colorimetric", "Saturation",
                                        "ICC-Absolute Colorimetric"};
    return Coded(names, 4, intent);
}

std::string IccIlluminantName(uint32_t code)
{
    static const char* const names[] = {nullptr,          "D50", "D65", "D93", "F2", "D55", "A",
                                        "Equi-Power (E)", "F8"};
    return Coded(names, 9, code);
}

std::string IccObserverName(uint32_t code)
{
    static const char* const names[] = {nullptr, "CIE 1931", "CIE 1964"};
    return Coded(names, 3, code);
}

std::string IccGeometryName(uint32_t code)
{
    static const char* const names[] = {"Unknown", "0/45 or 45/0", "0/d or d/0"};
    return Coded(names, 3, code);
}

}  // namespace metaprobe
