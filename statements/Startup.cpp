// Start-up and data module statements; see Startup.h.
#include "statements/Startup.h"

namespace statements::startup {

const std::string& configProbe() {
    static const std::string text = "Select * From SysDatabases Where Name = 'QARN_Config_NWX'";
    return text;
}

const std::string& upgradeScript() {
    static const std::string text =
        R"(If (Not Exists(Select Name From SysColumns
Where Id = (Select Id From SysObjects Where Ltrim(Rtrim(Upper(Name))) = 'MENU') And
Ltrim(Rtrim(Upper(Name)))='VERSION'))
Begin
Alter Table Menu Add Version Integer
End
/
Update Menu Set Version = 3 Where Version Is Null And Command Is Not Null
/
If Not Exists(select Id From SysColumns Where Name = 'UserSeeImport' And Id = (Select Id From SysObjects Where Name = 'UserName'))
Alter Table UserName Add UserSeeImport Char(1)
/
If Not Exists(select Id From SysColumns Where Name = 'UserSeeCost' And Id = (Select Id From SysObjects Where Name = 'UserName'))
Alter Table UserName Add UserSeeCost Char(1)
/
)";
    return text;
}

const std::string& user() {
    static const std::string text =
        "select Code, fullname,languageno,EditSalePrice,Approve_Quo,Approve_SO,Approve_IV,"
        "Approve_PO, Approved_PORQ,\n"
        "       ApproveTranWH,ApproveTranBranch,ApproveWorkOrder,CanSeeCost,CanSeeSalePrice,"
        "CanModifyCusSale,\n"
        "       Approve_PreIs, CanModifyCusSale, ApproveCustomerDropUse, "
        "ApproveCustomerDropCredit, Saleman,\n"
        "       CanModifyCredit, CanSetProductBlock, CanSetProductMinus, "
        "CanSaleCreditOnReturnCheque, UserSeeImport, UserSeeCost,CanSetOtherUserPass ,\n"
        "       coalesce(Approve_PoLevel1,'N')Approve_PoLevel1 ,\n"
        "       coalesce(Approve_PoLevel2,'N')Approve_PoLevel2 ,\n"
        "       coalesce(Approve_PoLevel3,'N')Approve_PoLevel3 ,\n"
        "       GroupId\n"
        "from  username\n"
        "where id=:uid";
    return text;
}

const std::string& companyConfig() {
    static const std::string text =
        "SELECT C.Company, C.PicturePath, C.Public_Price_IE, C.DefaultWh,\n"
        "  C.POS1_Wh, C.POS1_TaxCode, C.POS1_Price_IE, C.POS1_PriceType,\n"
        "  C.POS1_SumDetail, C.DefaultPosComPort,C.DefaultTax,\n"
        "  C.DefaultPosMenuId,M.Command,M.MenuOption,\n"
        "  O.Description, O.YearNo,\n"
        "  P.Id, P.Code, P.Password, P.NameThai, P.NameEng, P.ShortName,\n"
        "  P.Address1, P.Address2, P.Address3, P.Address4, P.Province, P.Zip,\n"
        "  P.Telephone, P.Fax, P.EMail, P.Logo, P.TaxNo, P.InstallDate, P.RunYear,\n"
        "  P.LocalServer,P.FUNDNAME, P.TaxBranchHead, P.TaxBranchCode, P.TaxBranchName\n"
        "FROM CompanyConfig C\n"
        "Inner Join DatabaseList O On (O.Company = C.Company) \n"
        "Inner Join Company P On (P.Id = O.Company)\n"
        "Left Outer Join Menu M On (M.Id = C.DefaultPosMenuId)\n"
        "Where (O.DatabaseName = :GetName)";
    return text;
}

const std::string& company() {
    static const std::string text =
        "SELECT ID,CODE, PASSWORD, NAMETHAI, NAMEENG, SHORTNAME, \n"
        "  ADDRESS1, ADDRESS2, ADDRESS3, ADDRESS4, PROVINCE, ZIP, \n"
        "  TELEPHONE, FAX, EMAIL, LOGO, TAXNO, RUNYEAR,FUNDNAME, Coalesce(TaxBranchHead, 'N') "
        "TaxBranchHead, Coalesce(TaxBranchCode, '') TaxBranchCode, TaxBranchName\n"
        "FROM COMPANY\n"
        "Where (Id = (Select Distinct Company From DatabaseList Where DatabaseName = :GetName))";
    return text;
}

const std::string& software() {
    static const std::string text = "select *\nfrom softwareconfig";
    return text;
}

}  // namespace statements::startup

namespace statements::shared_data {

const std::string& settingsRow() {
    static const std::string text =
        "SELECT *\n"
        "       ,(Select M.Code From Misc M Where M.Id = MainCurrencyId) MainCurrencyCode\n"
        "       ,(Select M.Description From Misc M Where M.Id = MainCurrencyId) MainCurrencyName\n"
        "FROM Config\n"
        "Where id=1";
    return text;
}

const std::string& unitFraction() {
    static const std::string text =
        "SELECT U.UnitName LUnit, U.Fraction, M.UnitName SUnit, U.Product IdProd\n"
        "FROM ProductUnits U\n"
        "Inner Join ProductUnits M On ((U.Product = M.Product) And (M.SmallUnitFlag = 'Y'))\n"
        "Where (U.Id = :GetUnit)";
    return text;
}

const std::string& stockUnitQnty() {
    static const std::string text =
        "SELECT U.Id,U.UnitName, U.Fraction,\n"
        "  (Select S.UnitName From ProductUnits S Where (S.SmallUnitFlag = 'Y') And (S.Product = "
        ":GetProduct)) As SmallUnit\n"
        "FROM ProductUnits U\n"
        "Where (U.StockUnitFlag = 'Y') And (U.Product = :GetProduct)";
    return text;
}

const std::string& docConvert() {
    static const std::string text =
        "SELECT D.Id, D.Code, D.Description, D.Prefix, D.LastNo, D.DocumentLength,\n"
        "  D.AutoRun, D.DocType\n"
        "FROM DocNoConvert V\n"
        "Inner Join DocumentNo D On (V.DocumentNo = D.Id)\n"
        "WHERE (V.Code = :GetCode) And (V.DocYear=:GetYear)";
    return text;
}

const std::string& documentNo() {
    static const std::string text =
        "SELECT D.Code, D.Description, D.Prefix, D.LastNo, D.DocumentLength, D.AutoRun\n"
        "FROM DocumentNo D\n"
        "WHERE (D.Code = :GetCode) And (DocYear=:GetYear)";
    return text;
}

}  // namespace statements::shared_data
