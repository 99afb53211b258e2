#include "routines/Conversion.h"
#include "routines/OUTILS.h"
#include "vb/Encoding.h"
#include "vb/Error.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using vb::Variant;

TEST(SiAlors, ReadsTheConditionAsATruthValue) {
    EXPECT_EQ(Conversion::SiAlors(Variant::Null(), u"oui", u"non"), Variant(u"non"));
    EXPECT_EQ(Conversion::SiAlors(true, u"oui", u"non"), Variant(u"oui"));
    EXPECT_EQ(Conversion::SiAlors(false, u"oui", u"non"), Variant(u"non"));
    EXPECT_EQ(Conversion::SiAlors(std::int16_t{2}, 1.5, 2.5), Variant(1.5));
    EXPECT_EQ(Conversion::SiAlors(0.0, 1.5, 2.5), Variant(2.5));
    EXPECT_EQ(Conversion::SiAlors(Variant(), u"oui", u"non"), Variant(u"non"));
    EXPECT_EQ(Conversion::SiAlors(u" -1 ", u"oui", u"non"), Variant(u"oui"));
    EXPECT_EQ(Conversion::SiAlors(u"false", u"oui", u"non"), Variant(u"non"));
}

TEST(Maximum, ReturnsTheSecondValueOnTiesAndNull) {
    EXPECT_EQ(Conversion::Maximum(std::int32_t{5}, std::int16_t{5}), Variant(std::int16_t{5}));
    EXPECT_EQ(Conversion::Maximum(7.5, std::int16_t{3}), Variant(7.5));
    EXPECT_EQ(Conversion::Maximum(-1.0, 0.0), Variant(0.0));
    EXPECT_EQ(Conversion::Maximum(Variant::Null(), 3.0), Variant(3.0));
    EXPECT_EQ(Conversion::Maximum(3.0, Variant::Null()), Variant::Null());
    EXPECT_EQ(Conversion::Maximum(u"b", u"a"), Variant(u"b"));
    EXPECT_EQ(Conversion::Maximum(u"B", u"a"), Variant(u"a"));
    EXPECT_EQ(Conversion::Maximum(u"1", 2.0), Variant(u"1"));
    // A double meets a single at the single's precision: 0.1 and 0.1F tie.
    EXPECT_EQ(Conversion::Maximum(0.1F, 0.1), Variant(0.1));
    EXPECT_EQ(Conversion::Maximum(0.1, 0.1F), Variant(0.1F));
    EXPECT_EQ(Conversion::Maximum(0.5F, 0.25), Variant(0.5F));
    EXPECT_EQ(Conversion::Maximum(1e300, 0.5F), Variant(1e300));
}

class FichierExisteTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("routines-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    vb::String path(const std::string& name) const {
        return vb::DecodeName((dir_ / name).native());
    }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }

    std::filesystem::path dir_;
};

TEST_F(FichierExisteTest, OnlyANonEmptyReadableFileExists) {
    write("vide", "");
    write("un", "x");
    std::filesystem::create_directories(dir_ / "dossier");
    EXPECT_EQ(OUTILS::FichierExiste(path("un")), Variant(true));
    EXPECT_EQ(OUTILS::FichierExiste(path("vide")), Variant(false));
    EXPECT_EQ(OUTILS::FichierExiste(path("absent")), Variant(false));
    EXPECT_EQ(OUTILS::FichierExiste(path("dossier")), Variant(false));
    EXPECT_EQ(OUTILS::FichierExiste(path("dossier") + u"/"), Variant(false));
    EXPECT_EQ(OUTILS::FichierExiste(u""), Variant(false));
}

} // namespace
