#include "resources/StringTable.h"

#include "platform/Locale.h"
#include "resources/StringIds.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qar
{

namespace
{

using namespace str;

// Texts are kept exactly as the platform has always shown them, spelling included: administrators
// and the server's own documentation quote them.
constexpr StringEntry kStrings[] = {
    {kStatusEnabled, "[Status]Enabled", "[状态]启用"},
    {kStatusDisabled, "[Status]Disabled", "[状态]禁用"},
    {kPublicAccountHave, "[Public Account]Have", "[公共账号]有"},
    {kPublicAccountNone, "[Public Account]None", "[公共账号]无"},
    {kAliasFormat, "[Alias]%s", "[别名]%s"},
    {kAliasNull, "[Alias](Null)", "[别名](空)"},
    {kSelectItemFromList, "Please select a item from list", "请从列表中选择一项"},
    {kConfirmDeleteItem, "Are you sure to delete the item?", "确定要删除该项吗?"},
    {kInputCantBeNull, "Input can't be null!", "输入不能为空!"},
    {kUnableToOpenDb, "Unable to open DB!", "无法打开数据库!"},
    {kInvalidId, "Invalid ID!", "无效的编号!"},
    {kParentNone, "(0) (None)", "(0) (无)"},
    {kIdMustBeUnique, "ID must be Unique!", "编号必须唯一!"},
    {kHasSubNodes, "Unable to be removed, it has sub nodes!", "该项有下级节点,不能删除!"},
    {kConfirmDeleteItemTree, "Are you sure to delete the item?", "确定要删除该项吗?"},
    {kUserStatusInService, "1 - In service", "1 - 在职"},
    {kUserStatusVacation, "2 - Vacation or fired", "2 - 休假或停职"},
    {kUserStatusDismissed, "3 - Dismissed", "3 - 离职"},
    {kAddUser, "Add User", "添加用户"},
    {kAddDepartment, "Add Department", "添加部门"},
    {kModifyUser, "Modify User", "修改用户"},
    {kModifyDepartment, "Modify Department", "修改部门"},
    {kNodeStatusInService, "[Status]1 In service", "[状态]1 在职"},
    {kNodeStatusVacation, "[Status]2 Vacation or Fired", "[状态]2 休假或停职"},
    {kNodeStatusDismissed, "[Status]3 Dismissed", "[状态]3 离职"},
    {kUserIdExists, "The user ID already exist!", "该用户编号已存在!"},
    {kPasswordsDiffer, "The twice passwords are different!", "两次输入的密码不一致!"},
    {kIllegalMobile, "Illegal mobile number!", "手机号码不合法!"},
    {kMobileExists, "This mobile number already exist!", "该手机号码已存在!"},
    {kInvalidEmail, "Invalid e-mail!", "电子邮件地址无效!"},
    {kEmailExists, "This e-mail already exist!", "该电子邮件地址已存在!"},
    {kOneRecordAtLeast, "One record must be saved at least!", "至少要保留一条记录!"},
    {kGroupZeroReserved, "The group marked as 0 must be reserved!", "编号为 0 的群组必须保留!"},
    {kGroupMustBeAssigned, "Group must be assigned!", "必须指定群组!"},
    {kApplicationTypeWrong, "Application type is wrong!", "应用类型错误!"},
    {kEnterpriseCodeExists, "Enterprise code already exist, try another!", "企业编号已存在,请换一个!"},
    {kGroupNotAssigned, "Group is not assigned!", "未指定群组!"},
    {kDepartmentNotAssigned, "Department is not assigned!", "未指定部门!"},
    {kIllegalUserId, "Illegal user ID!", "用户编号不合法!"},
    {kNotAssigned, "<Not assigned>", "<未设置>"},
    {kOnlyAdministrator, "Only administrator is permitted to do this!", "只有管理员才能执行此操作!"},
    {kApplicationIdExists, "The application ID already exist!", "该应用编号已存在!"},
    {kUserAmountAtLimit, "User amount is at the limitation!", "用户数量已达上限!"},
    {kInputUserOrDepartment, "Please input the user or department you want to find!", "请输入要查找的用户或部门!"},
    {kNotFoundFormat, "%s not found?", "未找到 %s?"},
    {kIllegalDepartmentId, "Illegal department ID!", "部门编号不合法!"},
    {kAddUserUnderDepartment, "Please add user under a department unit.", "请在部门下添加用户。"},
    {kCannotDeleteGroupHere, "You can not delete the group from here.", "不能在此处删除群组。"},
    {kFileNotExistIcon, "File is not exist!", "文件不存在!"},
    {kIconFileTooLarge, "File is too large. The size of icon file must less than 8 KB.",
     "文件太大。图标文件必须小于 8 KB。"},
    {kInvalidIconFile, "Invalidate icon file!", "无效的图标文件!"},
    {kSignDomainFormat, "(The domain for sign is: %s)", "(登录域为: %s)"},
    {kSetSignDomain, "Please set the domain for sign.", "请设置登录域。"},
    {kInputContentNull, "The content of input is null.", "输入的内容为空。"},
    {kNotFinished, "You are not finished.", "您还没有完成。"},
    {kFileNotExist, "The File is not exist.", "该文件不存在。"},
    {kColumnUserId, "User ID", "用户编号"},
    {kColumnName, "Name", "姓名"},
    {kColumnGroup, "Group", "群组"},
    {kColumnPower, "Power", "权限"},
    {kPowerSysAdmin, "Sys. Admin.", "系统管理员"},
    {kPowerUserAdmin, "User Admin.", "用户管理员"},
    {kPowerNormal, "Normal ", "普通 "},
    {kFilterAll, "(All)", "(全部)"},
    {kNoGroupEntry, "0 - [ Not Belongs  Any Group ]", "0 - [ 不属于任何群组 ]"},
    {kConfirmDeletePrefix, "Are you sure to delete ", "确定要删除 "},
    {kUnitiveAccountLabel, "Unitive Account:", "统一账号:"},
    {kDutyLabel, "Duty:", "职务:"},
    {kAccountExists, "This account already exist!", "该账号已存在!"},
    {kOperationFailed, "The oparation is not successful. Try it again please.", "操作没有成功,请重试。"},
    {kItemExists, "The item already exist!", "该项已存在!"},

    {kAppTitle, "QAR Server Data Configuration", "QAR 服务器数据配置"},
    {kCheckOdbcSettings, "Unable to connect to DB, please check ODBC settings!", "无法连接数据库,请检查 ODBC 设置!"},
    {kUseOrrinClient, "If you are an administror,please manage it with QAR-Orrin Client?",
     "如果您是管理员,请通过 QAR-Orrin 客户端进行管理?"},
    {kOk, "OK", "确定"},
    {kCancel, "Cancel", "取消"},
    {kYes, "&Yes", "是(&Y)"},
    {kNo, "&No", "否(&N)"},
    {kEnterInteger, "Please enter an integer.", "请输入一个整数。"},
    {kEnterIntegerRange, "Please enter an integer between %d and %d.", "请输入一个介于 %d 和 %d 之间的整数。"},

    {kAboutTitle, "About QAR Data Management", "关于 QAR 数据管理"},
    {kAboutVersion, "QAR Data Management V6.0", "QAR 数据管理 V6.0"},

    {kMainTitle, "QAR-Orrin Server Data Configuration", "QAR-Orrin 服务器数据配置"},
    {kButtonConfiguration, "&Configuration", "配置(&C)"},
    {kButtonOption, "&Option", "选项(&O)"},
    {kButtonName, "&Name ", "名称(&N)"},
    {kButtonStartService, "&Start Service", "启动服务(&S)"},
    {kButtonHelp, "&Help", "帮助(&H)"},
    {kNoticeAdministratorsOnly, "Only system administrors are allowed to do this", "只有系统管理员才能执行此操作"},
    {kMenuAbout, "&About...", "关于(&A)..."},
    {kSideGroups, "Groups", "群组"},
    {kSideRoles, "Roles", "角色"},
    {kSideDeptsUsers, "Depts & Users", "部门与用户"},
    {kSideApplications, "Applications", "应用程序"},
    {kSideWebsites, "Websites", "网站"},
    {kSideMessageExtend, "Message Extend", "消息扩展"},
    {kNoticeForbiddenFormat, "You are not an administror, forbidden to view or change  \"%s\"?",
     "您不是管理员,禁止查看或修改  \"%s\"?"},

    {kOrgPageLabel, "Units and Users", "部门与用户"},
    {kOrgAddUnit, "Add unit", "添加部门"},
    {kOrgAddUser, "Add user", "添加用户"},
    {kOrgEdit, "Edit", "编辑"},
    {kOrgDelete, "Delete", "删除"},
    {kOrgImportExport, "Import/Export", "导入/导出"},
    {kOrgRefresh, "Refresh", "刷新"},
    {kOrgMenuAddUnit, "Add &Unit", "添加部门(&U)"},
    {kOrgMenuAddUser, "&Add User", "添加用户(&A)"},
    {kOrgMenuEdit, "&Edit", "编辑(&E)"},
    {kOrgMenuDelete, "&Delete", "删除(&D)"},
    {kOrgMenuSearch, "&Search", "查找(&S)"},
    {kOrgUserEditorMissing, "The user editor is not available in this version.", "此版本尚未提供用户编辑功能。"},
    {kUnitDepartmentLabel, "Department:", "部门:"},
    {kUnitDepartmentNote, "[<30 characters]", "[少于30个字符]"},
    {kUnitCodeLabel, "Code:", "编号:"},
    {kUnitCodeNote, "[101 - 32000]", "[101 - 32000]"},
    {kUnitParentLabel, "Parent:", "上级部门:"},
    {kUnitGroupLabel, "Group:", "群组:"},
    {kUnitGroupNote, "[The same with parent's]", "[与上级部门相同]"},
    {kUnitWeightLabel, "Weight for sorting:", "排序权重:"},
    {kUnitWeightNote, "[ 0 - 65535 ]", "[ 0 - 65535 ]"},
    {kUnitAttributeLabel, "Attribute:", "属性:"},
    {kUnitSetAttributes, "Set Attributes", "设置属性"},
    {kUnitAttributeNote, "[default 0]", "[默认 0]"},
    {kUnitValided, "Valided", "有效"},
    {kUnitPublicAccount, "Public account", "公共账号"},
    {kUnitAliasLabel, "Dept. Alias:", "部门别名:"},
    {kUnitAliasNote, "[<20 chars.]", "[少于20个字符]"},
    {kUnitPasswordLabel, "Password:", "密码:"},
    {kUnitPasswordNote, "[<15 chars.]", "[少于15个字符]"},
    {kUnitAliasNotice, "Notice:Please add '@' head of the department's alias to login",
     "注意:登录时请在部门别名前加 '@'"},
    {kUnitAttrTitle, "Unit attributes settings", "部门属性设置"},
    {kUnitAttrFrame, "Attributes", "属性"},
    {kUnitAttrBox1, "Disable to see other department", "禁止查看其他部门"},
    {kUnitAttrBox1 + 1, "Disable to see contacts of self department", "禁止查看本部门联系人"},
    {kUnitAttrBox1 + 2, "Disable to see contacts of other departments", "禁止查看其他部门联系人"},
    {kUnitAttrBox1 + 3, "Disable customer see contacts", "禁止客户查看联系人"},
    {kUnitAttrBox1 + 4, "Disable to see VIP department or VIP contacts", "禁止查看VIP部门或VIP联系人"},
    {kUnitAttrBox1 + 5, "Set as a VIP department", "设为VIP部门"},
    {kUnitAttrBox1 + 6, "( Reserved )", "( 保留 )"},
    {kSearchTitle, "Search unit or contacts", "查找部门或联系人"},
    {kSearchLabel, "Please input unit name(ID) or contacts name(ID):", "请输入部门名称(编号)或联系人名称(编号):"},

    {kEnvParamsLabel, "Parameters", "参数"},
    {kEnvModify, "Modify", "修改"},
    {kEnvRefresh, "Refresh", "刷新"},
    {kEnvColumnName, "Parameter name", "参数名称"},
    {kEnvColumnValue, "Parameter value", "参数值"},
    {kEnvPageTitle, "Environment Parameters", "环境参数"},
    {kParamDlgTitle, "Parameters", "参数"},
    {kParamDlgLabel, "[Parameters]", "[参数]"},
    {kHelpTitle, "Help", "帮助"},

    {kCorpTitle, "Corporation or Organization Name Settings", "公司或组织名称设置"},
    {kCorpNameLabel, "Name:", "名称:"},
    {kCorpNameHint, "(e.g.: **** Corporation)", "(例如: **** 公司)"},
    {kCorpWebsiteLabel, "Website:", "网址:"},
    {kCorpWebsiteHint, "(e.g.: http://www.example.com)", "(例如: http://www.example.com)"},
    {kCorpInputNameOrWebsite, "Please input enterprise's name or website.", "请输入企业名称或网址。"},
    {kCorpConfirmFormat, "Your company name is:  %s\n Your website is:  %s\n\nPlease click \"OK\" to confirm.",
     "您的公司名称是:  %s\n 您的网址是:  %s\n\n请点击\"确定\"确认。"},
};

constexpr bool sortedById()
{
    for (std::size_t i = 1; i < std::size(kStrings); ++i) {
        if (kStrings[i - 1].id >= kStrings[i].id) {
            return false;
        }
    }
    return true;
}
static_assert(sortedById(), "string table entries must be ordered by id without duplicates");

UiLanguage initialLanguage()
{
    return LanguageFor(GetSystemDefaultLCID(), std::getenv("QAR_LANG"));
}

std::atomic<int>& languageSlot()
{
    static std::atomic<int> slot{static_cast<int>(initialLanguage())};
    return slot;
}

} // namespace

std::span<const StringEntry> AllStrings()
{
    return kStrings;
}

const StringEntry* FindString(int id)
{
    const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const StringEntry& e, int v) { return e.id < v; });
    if (it == std::end(kStrings) || it->id != id) {
        return nullptr;
    }
    return it;
}

UiLanguage LanguageFor(int lcid, const char* langOverride)
{
    if (langOverride != nullptr) {
        if (std::strcmp(langOverride, "en") == 0) {
            return UiLanguage::English;
        }
        if (std::strcmp(langOverride, "zh_CN") == 0) {
            return UiLanguage::SimplifiedChinese;
        }
    }
    // Traditional Chinese systems get the Simplified set too: the tool has no third language.
    if (lcid == kLcidSimplifiedChinese || lcid == kLcidTraditionalChinese) {
        return UiLanguage::SimplifiedChinese;
    }
    return UiLanguage::English;
}

UiLanguage CurrentUiLanguage()
{
    return static_cast<UiLanguage>(languageSlot().load());
}

void SetUiLanguage(UiLanguage language)
{
    languageSlot().store(static_cast<int>(language));
}

std::string_view StringUtf8(int id, UiLanguage language)
{
    const StringEntry* e = FindString(id);
    if (e == nullptr) {
        return {};
    }
    return language == UiLanguage::English ? e->english : e->chinese;
}

std::string_view StringUtf8(int id)
{
    return StringUtf8(id, CurrentUiLanguage());
}

std::string LoadAnsiString(int id)
{
    const std::string_view utf8 = StringUtf8(id);
    const CodePage cp = GetAnsiCodePage();
    if (cp == CodePage::Utf8 || utf8.empty()) {
        return std::string(utf8);
    }
    // A double-byte code page never needs more bytes than UTF-8 for the same characters.
    std::vector<char> out(utf8.size() * 2 + 4);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert(IcuConverterName(cp), "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                                   utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status)) {
        return std::string(utf8);
    }
    return std::string(out.data(), static_cast<std::size_t>(n));
}

} // namespace qar
