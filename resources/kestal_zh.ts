<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ExportTable</name>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>The report %1 was not written: %2</source>
        <translation>报表 %1 未能写入：%2</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Excel workbooks (*.xlsx)</source>
        <translation>Excel 工作簿 (*.xlsx)</translation>
    </message>
    <message>
        <source>The alarm figures %1 were not written: %2</source>
        <translation>报警统计 %1 未能写入：%2</translation>
    </message>
</context>
<context>
    <name>Kestal</name>
    <message>
        <source>Orvane-Monitor</source>
        <translation>Orvane 辐射监测系统</translation>
    </message>
    <message>
        <source>The program is running.</source>
        <translation>程序正在运行。</translation>
    </message>
    <message>
        <source>Do you want to exit?</source>
        <translation>确定要退出吗？</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Set successed</source>
        <translation>设置成功</translation>
    </message>
    <message>
        <source>Set failed</source>
        <translation>设置失败</translation>
    </message>
    <message>
        <source>connected!</source>
        <translation>已连接！</translation>
    </message>
    <message>
        <source>Log in</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>Too many failed logins: %1 is locked for %2 s.</source>
        <translation>登录失败次数过多：%1 已锁定 %2 秒。</translation>
    </message>
    <message>
        <source>The account %1 is disabled.</source>
        <translation>账户 %1 已停用。</translation>
    </message>
    <message>
        <source>Unknown name or wrong password.</source>
        <translation>用户名未知或密码错误。</translation>
    </message>
    <message>
        <source>Log out %1</source>
        <translation>注销 %1</translation>
    </message>
    <message>
        <source>Enter your password again to set the threshold of %1 to %2.</source>
        <translation>请再次输入密码，以将 %1 的阈值设为 %2。</translation>
    </message>
    <message>
        <source>all regions</source>
        <translation>所有区域</translation>
    </message>
    <message>
        <source>The password is wrong: the threshold was not set.</source>
        <translation>密码错误：阈值未设置。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>No administrator account exists yet. Choose the name and password (at least %1 characters) of the first one.</source>
        <translation>尚无管理员账户。请设置第一个管理员的用户名和密码（至少 %1 个字符）。</translation>
    </message>
    <message>
        <source>Enter the password of %1 again.</source>
        <translation>请再次输入 %1 的密码。</translation>
    </message>
    <message>
        <source>The two passwords differ. Choose the name and password again.</source>
        <translation>两次输入的密码不一致，请重新设置用户名和密码。</translation>
    </message>
    <message>
        <source>A name without spaces around it and a password of at least %1 characters are needed.</source>
        <translation>用户名前后不能有空格，密码至少需要 %1 个字符。</translation>
    </message>
    <message>
        <source>The account could not be stored.</source>
        <translation>无法保存该账户。</translation>
    </message>
    <message>
        <source>Only a radiation protection officer may shelve an alarm or put it back.</source>
        <translation>只有辐射防护负责人才能搁置报警或恢复报警。</translation>
    </message>
    <message>
        <source>The site database has no records of this station yet.</source>
        <translation>站点数据库中还没有本站的记录。</translation>
    </message>
    <message>
        <source>Upload the minute values, alarms and patrol records already in this station&apos;s file? It is sent in the background, a day at a time.</source>
        <translation>是否上传本站文件中已有的分钟值、报警和巡检记录？将在后台按天逐日发送。</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>上传</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
    <message>
        <source>The stored levels are out of order (A %1, B %2, C %3): the gauge and the plan show them sorted. Correct them in System Settings.</source>
        <translation>存储的分级阈值顺序错误（A %1，B %2，C %3）：量表和平面图按排序后的值显示。请在系统设置中更正。</translation>
    </message>
    <message>
        <source>Enter your password again to change %1.</source>
        <translation>请再次输入密码以更改%1。</translation>
    </message>
    <message>
        <source>The password is wrong: nothing was changed.</source>
        <translation>密码错误：未作任何更改。</translation>
    </message>
    <message>
        <source>Enter your password again to delete %1.</source>
        <translation>请再次输入密码以删除%1。</translation>
    </message>
    <message>
        <source>The password is wrong: nothing was deleted.</source>
        <translation>密码错误：未删除任何数据。</translation>
    </message>
    <message>
        <source>No link to the data server: %1 has not received the threshold %2 yet; it is sent when the link is back.</source>
        <translation>与数据服务器无连接：%1 尚未收到阈值 %2；连接恢复后将发送。</translation>
    </message>
    <message>
        <source>every device</source>
        <translation>所有设备</translation>
    </message>
    <message>
        <source>device %1</source>
        <translation>设备 %1</translation>
    </message>
</context>
<context>
    <name>PAlarmFiguresReport</name>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Alarm figures of %1</source>
        <translation>%1 报警统计</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>月份</translation>
    </message>
    <message>
        <source>Report time</source>
        <translation>报表时间</translation>
    </message>
    <message>
        <source>Counted up to</source>
        <translation>统计截至</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Region</source>
        <translation>区域</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Time in alarm</source>
        <translation>报警时长</translation>
    </message>
    <message>
        <source>Time in alarm (h)</source>
        <translation>报警时长（小时）</translation>
    </message>
    <message>
        <source>Chattering regions</source>
        <translation>频繁报警区域</translation>
    </message>
    <message>
        <source>Time chattering (s)</source>
        <translation>频繁报警时长（秒）</translation>
    </message>
    <message>
        <source>Median time to acknowledge (min)</source>
        <translation>确认时间中位数（分钟）</translation>
    </message>
    <message>
        <source>Longest time to acknowledge (min)</source>
        <translation>最长确认时间（分钟）</translation>
    </message>
    <message>
        <source>Floods</source>
        <translation>报警泛滥</translation>
    </message>
    <message>
        <source>Number of floods</source>
        <translation>报警泛滥次数</translation>
    </message>
    <message>
        <source>Time in flood (min)</source>
        <translation>报警泛滥时长（分钟）</translation>
    </message>
    <message>
        <source>Shelved regions</source>
        <translation>已搁置的区域</translation>
    </message>
    <message>
        <source>Shelved (h)</source>
        <translation>搁置时长（小时）</translation>
    </message>
    <message>
        <source>Alarm episodes begun in the month</source>
        <translation>本月开始的报警事件</translation>
    </message>
    <message>
        <source>An alarm episode</source>
        <translation>报警事件</translation>
    </message>
    <message>
        <source>from a raise until the alarm has been cleared for a minute; chattering is within it</source>
        <translation>从报警产生到报警解除满一分钟为止；抖动包含在内</translation>
    </message>
    <message>
        <source>Alarm episodes</source>
        <translation>报警事件</translation>
    </message>
    <message>
        <source>Alarm episodes per day</source>
        <translation>每日报警事件</translation>
    </message>
    <message>
        <source>Alarm episodes per region</source>
        <translation>各区域报警事件</translation>
    </message>
    <message>
        <source>Chattering spells</source>
        <translation>抖动次数</translation>
    </message>
    <message>
        <source>Raises while chattering</source>
        <translation>抖动期间的报警</translation>
    </message>
    <message>
        <source>Acknowledgement of the month&apos;s alarm episodes</source>
        <translation>本月报警事件的确认</translation>
    </message>
    <message>
        <source>Episodes begun</source>
        <translation>开始的事件</translation>
    </message>
    <message>
        <source>= acknowledged + never acknowledged; acknowledged late is part of acknowledged</source>
        <translation>= 已确认 + 从未确认；迟确认包含在已确认中</translation>
    </message>
    <message>
        <source>Episodes acknowledged</source>
        <translation>已确认的事件</translation>
    </message>
    <message>
        <source>Of them acknowledged after more than %1 minutes</source>
        <translation>其中超过 %1 分钟后确认</translation>
    </message>
    <message>
        <source>Episodes never acknowledged</source>
        <translation>从未确认的事件</translation>
    </message>
</context>
<context>
    <name>PInstrumentRegister</name>
    <message>
        <source>Instrument register %1</source>
        <translation>%1 年仪表登记册</translation>
    </message>
    <message>
        <source>Written %1</source>
        <translation>生成于 %1</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Monitor</source>
        <translation>监测仪</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Monitors</source>
        <translation>监测仪</translation>
    </message>
    <message>
        <source>Calibrations</source>
        <translation>校准</translation>
    </message>
    <message>
        <source>Function tests</source>
        <translation>功能测试</translation>
    </message>
    <message>
        <source>Failed tests</source>
        <translation>未通过的测试</translation>
    </message>
    <message>
        <source>Out of service (h)</source>
        <translation>停用时间（小时）</translation>
    </message>
    <message>
        <source>Days overdue</source>
        <translation>逾期天数</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Factor</source>
        <translation>校准因子</translation>
    </message>
    <message>
        <source>Certificate</source>
        <translation>证书</translation>
    </message>
    <message>
        <source>Laboratory</source>
        <translation>实验室</translation>
    </message>
    <message>
        <source>Next due</source>
        <translation>下次到期</translation>
    </message>
    <message>
        <source>Coefficient (old → new)</source>
        <translation>系数（旧 → 新）</translation>
    </message>
    <message>
        <source>Entered by</source>
        <translation>录入人</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>不变</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Value seen (µRad/h)</source>
        <translation>读数（µRad/h）</translation>
    </message>
    <message>
        <source>pass</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>未通过</translation>
    </message>
    <message>
        <source>Out of service</source>
        <translation>停用维护</translation>
    </message>
    <message>
        <source>From</source>
        <translation>起</translation>
    </message>
    <message>
        <source>Until</source>
        <translation>截止时间</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>By</source>
        <translation>操作人</translation>
    </message>
    <message>
        <source>Back by</source>
        <translation>恢复人</translation>
    </message>
    <message>
        <source>Reason for the return</source>
        <translation>恢复原因</translation>
    </message>
    <message>
        <source>still out of service</source>
        <translation>仍在停用</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>备注</translation>
    </message>
</context>
<context>
    <name>PMonthReport</name>
    <message>
        <source>database busy</source>
        <translation>数据库忙</translation>
    </message>
    <message>
        <source>no region with id %1</source>
        <translation>没有编号为 %1 的区域</translation>
    </message>
    <message>
        <source>no staff member with id %1</source>
        <translation>没有编号为 %1 的人员</translation>
    </message>
    <message>
        <source>Device Information</source>
        <translation>设备信息</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Loaction</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>统计</translation>
    </message>
    <message>
        <source>Monthy Average Dose Rate:</source>
        <translation>月平均剂量率：</translation>
    </message>
    <message>
        <source>Monthy Highest Dose Rate:</source>
        <translation>月最高剂量率：</translation>
    </message>
    <message>
        <source>Alarm Dose Rate Threshold:</source>
        <translation>剂量率报警阈值：</translation>
    </message>
    <message>
        <source>Monthy Alarm Times:</source>
        <translation>月报警次数：</translation>
    </message>
    <message>
        <source>Monthy Highest Dose Rate time:</source>
        <translation>月最高剂量率时间：</translation>
    </message>
    <message>
        <source>Report Time:</source>
        <translation>报表时间：</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>剂量</translation>
    </message>
    <message>
        <source>Cumulative dose rate curve.</source>
        <translation>累积剂量率曲线。</translation>
    </message>
    <message>
        <source>PersonalInfo</source>
        <translation>人员信息</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>Sex</source>
        <translation>性别</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>职务</translation>
    </message>
    <message>
        <source>Basic information</source>
        <translation>基本信息</translation>
    </message>
    <message>
        <source>Percentage of annual maximum absorbed dose.</source>
        <translation>占年最大吸收剂量的百分比。</translation>
    </message>
    <message>
        <source>Q1</source>
        <translation>第一季度</translation>
    </message>
    <message>
        <source>Q2</source>
        <translation>第二季度</translation>
    </message>
    <message>
        <source>Q3</source>
        <translation>第三季度</translation>
    </message>
    <message>
        <source>Q4</source>
        <translation>第四季度</translation>
    </message>
    <message>
        <source>Report Generation Time:</source>
        <translation>报表生成时间：</translation>
    </message>
    <message>
        <source>That month cumulative dose curve.</source>
        <translation>当月累积剂量曲线。</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>The archive file %1 is missing: the 2-second readings of %2 cannot be read.</source>
        <translation>归档文件 %1 缺失：无法读取 %2 的 2 秒读数。</translation>
    </message>
    <message>
        <source>The archive file %1 cannot be read: %2</source>
        <translation>无法读取归档文件 %1：%2</translation>
    </message>
</context>
<context>
    <name>RAlarmJournalView</name>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Alarm journal</source>
        <translation>报警日志</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>事件</translation>
    </message>
    <message>
        <source>Dose (µRad/h)</source>
        <translation>剂量率 (µRad/h)</translation>
    </message>
    <message>
        <source>Threshold (µRad/h)</source>
        <translation>报警阈值 (µRad/h)</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Region:</source>
        <translation>区域：</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>从：</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>到：</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>The journal could not be exported: %1</source>
        <translation>报警日志未能导出：%1</translation>
    </message>
    <message>
        <source>alarm</source>
        <translation>报警</translation>
    </message>
    <message>
        <source>clear</source>
        <translation>报警解除</translation>
    </message>
    <message>
        <source>ack</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>online</source>
        <translation>设备上线</translation>
    </message>
    <message>
        <source>offline</source>
        <translation>设备离线</translation>
    </message>
    <message>
        <source>link-up</source>
        <translation>服务器连接恢复</translation>
    </message>
    <message>
        <source>link-down</source>
        <translation>服务器连接中断</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Data server</source>
        <translation>数据服务器</translation>
    </message>
    <message>
        <source>Log in to export the alarm journal.</source>
        <translation>请登录后导出报警日志。</translation>
    </message>
    <message>
        <source>chattering</source>
        <translation>频繁报警</translation>
    </message>
    <message>
        <source>chatter-end</source>
        <translation>频繁报警结束</translation>
    </message>
    <message>
        <source>shelve</source>
        <translation>搁置</translation>
    </message>
    <message>
        <source>unshelve</source>
        <translation>解除搁置</translation>
    </message>
    <message>
        <source>flood</source>
        <translation>报警泛滥</translation>
    </message>
    <message>
        <source>flood-end</source>
        <translation>报警泛滥结束</translation>
    </message>
    <message>
        <source>Most urgent first</source>
        <translation>最紧急的在前</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>详情</translation>
    </message>
    <message>
        <source>A lost link first, then alarms by how far over their threshold (10 times, twice, at all), each group the earliest first; then the other events</source>
        <translation>先列连接中断，再按超出阈值的程度（10 倍、2 倍、超出）列报警，每组最早的在前；然后是其他事件</translation>
    </message>
    <message>
        <source>Whole site</source>
        <translation>全站</translation>
    </message>
    <message>
        <source>out-of-service</source>
        <translation>停用维护</translation>
    </message>
    <message>
        <source>in-service</source>
        <translation>恢复使用</translation>
    </message>
    <message>
        <source>overdue</source>
        <translation>逾期</translation>
    </message>
    <message>
        <source>link-switch</source>
        <translation>服务器切换</translation>
    </message>
</context>
<context>
    <name>RAuditTrail</name>
    <message>
        <source>the trail&apos;s table is gone</source>
        <translation>审计记录表已不存在</translation>
    </message>
    <message>
        <source>the trail&apos;s table is gone, but the file holds accounts (%1)</source>
        <translation>审计记录表已不存在，但文件中有账户（%1 个）</translation>
    </message>
    <message>
        <source>row %1 before it is missing</source>
        <translation>其前的第 %1 行缺失</translation>
    </message>
    <message>
        <source>rows %1 to %2 before it are missing</source>
        <translation>其前的第 %1 至 %2 行缺失</translation>
    </message>
    <message>
        <source>the rows are out of order</source>
        <translation>行的顺序错误</translation>
    </message>
    <message>
        <source>the row was changed or its MAC does not match</source>
        <translation>该行已被修改或其 MAC 不匹配</translation>
    </message>
    <message>
        <source>the client found %1 missing</source>
        <translation>客户端发现 %1 缺失</translation>
    </message>
    <message>
        <source>rows %1 to %2 at the end are missing</source>
        <translation>末尾的第 %1 至 %2 行缺失</translation>
    </message>
    <message>
        <source>the last row is missing</source>
        <translation>最后一行缺失</translation>
    </message>
    <message>
        <source>the trail does not end at the row of its head file</source>
        <translation>审计记录未结束于其头文件所指的行</translation>
    </message>
    <message>
        <source>the trail is empty, but the file holds accounts (%1)</source>
        <translation>审计记录为空，但文件中有账户（%1 个）</translation>
    </message>
    <message>
        <source>Chain intact (%1 rows).</source>
        <translation>链完整（%1 行）。</translation>
    </message>
    <message>
        <source>Chain intact (%1 rows), but without the trail&apos;s head file its end cannot be confirmed: rows cut from the end would not show.</source>
        <translation>链完整（%1 行），但没有审计头文件，无法确认其结尾：末尾被删除的行不会显示出来。</translation>
    </message>
    <message>
        <source>Chain broken at row %1: %2.</source>
        <translation>链在第 %1 行断开：%2。</translation>
    </message>
    <message>
        <source>The audit key is missing: the chain cannot be checked.</source>
        <translation>审计密钥缺失：无法检查链。</translation>
    </message>
    <message>
        <source>The audit trail cannot be read: %1</source>
        <translation>无法读取审计记录：%1</translation>
    </message>
</context>
<context>
    <name>RConnectDatabase</name>
    <message>
        <source>Cannot open database</source>
        <translation>无法打开数据库</translation>
    </message>
    <message>
        <source>The database file %1 cannot be used: %2. It is left as it is; readings are shown but not stored until the file is replaced and the program restarted.</source>
        <translation>数据库文件 %1 无法使用：%2。该文件保持原样；在替换该文件并重新启动程序之前，读数只显示而不存储。</translation>
    </message>
    <message>
        <source>Database damaged</source>
        <translation>数据库已损坏</translation>
    </message>
    <message>
        <source>The database file %1 failed its integrity check: %2. Readings are still stored where the file takes them; copy the file and replace it soon.</source>
        <translation>数据库文件 %1 未通过完整性检查：%2。文件可写入之处仍会保存读数；请尽快复制并更换该文件。</translation>
    </message>
</context>
<context>
    <name>RDataRecord</name>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Manufacturing number</source>
        <translation>出厂编号</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>Room</source>
        <translation>房间</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Routing staff</source>
        <translation>巡检人员</translation>
    </message>
    <message>
        <source>Inspection rooms</source>
        <translation>巡检房间</translation>
    </message>
    <message>
        <source>from</source>
        <translation>从</translation>
    </message>
    <message>
        <source>to</source>
        <translation>到</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>时段</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Without Permission!</source>
        <translation>无权限！</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>The table was not exported: %1</source>
        <translation>表格未能导出：%1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>afternoon</source>
        <translation>下午</translation>
    </message>
    <message>
        <source>No records for the ticked staff, rooms and days</source>
        <translation>所选人员、房间和日期没有巡检记录</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>morning</source>
        <translation>上午</translation>
    </message>
    <message>
        <source>Log in to export the patrol records.</source>
        <translation>请登录后导出巡检记录。</translation>
    </message>
    <message>
        <source>Dose (µRad)</source>
        <translation>剂量 (µRad)</translation>
    </message>
</context>
<context>
    <name>RDialogStaffHistoryDose</name>
    <message>
        <source>Employee dose equivalent distribution history</source>
        <translation>剂量当量分布历史</translation>
    </message>
    <message>
        <source>Last month</source>
        <translation>上个月</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>下个月</translation>
    </message>
    <message>
        <source>Current ID:</source>
        <translation>当前编号：</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>日期：</translation>
    </message>
    <message>
        <source>Previous Day</source>
        <translation>前一天</translation>
    </message>
    <message>
        <source>Next Day</source>
        <translation>后一天</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>校准</translation>
    </message>
</context>
<context>
    <name>RDoseRatioDiagram</name>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Dose curve in real time.</source>
        <translation>实时剂量率曲线。</translation>
    </message>
    <message>
        <source>Dose rate over the day</source>
        <translation>日剂量率曲线</translation>
    </message>
    <message>
        <source>Dose rate on %1</source>
        <translation>%1 剂量率曲线</translation>
    </message>
</context>
<context>
    <name>RFormAbout</name>
    <message>
        <source>Form</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Orvane-Monitor is the client of the radiation monitoring installation. It receives the readings of the fixed area monitors and of the patrol dosimeters from the data server, stores them, shows the dose rate of every monitored room in real time, raises alarms and keeps the history of every region and staff member.</source>
        <translation>Orvane 辐射监测系统是辐射监测装置的客户端。它从数据服务器接收固定区域监测仪和巡检剂量计的读数并加以存储，实时显示每个监测房间的剂量率，发出报警，并保存每个区域和每位人员的历史记录。</translation>
    </message>
    <message>
        <source>Revision:XX</source>
        <translation>版本：XX</translation>
    </message>
</context>
<context>
    <name>RFormHistory</name>
    <message>
        <source>Daily cumulative dose</source>
        <translation>日累积剂量</translation>
    </message>
    <message>
        <source>Monthly cumulative dose</source>
        <translation>月累积剂量</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Without Permission!</source>
        <translation>无权限！</translation>
    </message>
    <message>
        <source>Exporting</source>
        <translation>正在导出</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>%1 is the day being recorded now.</source>
        <translation>%1 是正在记录的当天。</translation>
    </message>
    <message>
        <source>The readings stored so far today will be deleted; recording goes on. Delete them?</source>
        <translation>今天已存储的读数将被删除，记录继续进行。确定删除吗？</translation>
    </message>
    <message>
        <source>Delete today</source>
        <translation>删除今天的数据</translation>
    </message>
    <message>
        <source>The data of %1 on %2 could not be deleted: %3</source>
        <translation>%1 在 %2 的数据未能删除：%3</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>The readings of %1 (ID %2) on %3 will be deleted.</source>
        <translation>%1（编号 %2）在 %3 的读数将被删除。</translation>
    </message>
    <message>
        <source>This cannot be undone. Do you want to delete them?</source>
        <translation>此操作无法撤销。确定要删除吗？</translation>
    </message>
    <message>
        <source>Log in to export the report.</source>
        <translation>请登录后导出报表。</translation>
    </message>
    <message>
        <source>Alarm figures</source>
        <translation>报警统计</translation>
    </message>
    <message>
        <source>Export the alarm figures of the selected day&apos;s month</source>
        <translation>导出所选日期所在月份的报警统计</translation>
    </message>
    <message>
        <source>the readings of %1 (ID %2) on %3</source>
        <translation>%1（ID %2）在 %3 的读数</translation>
    </message>
</context>
<context>
    <name>RFormRegion</name>
    <message>
        <source>Site plan</source>
        <translation>平面图</translation>
    </message>
    <message>
        <source>Acknowledge</source>
        <translation>确认报警</translation>
    </message>
    <message>
        <source>Acknowledge all</source>
        <translation>全部确认</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>No link to the data server: values as read at %1</source>
        <translation>与数据服务器的连接中断：显示的是 %1 时的读数</translation>
    </message>
    <message>
        <source>No link to the data server</source>
        <translation>与数据服务器的连接中断</translation>
    </message>
    <message>
        <source>Alarm journal</source>
        <translation>报警日志</translation>
    </message>
    <message>
        <source>Select the region to acknowledge in the table first, or use &quot;Acknowledge all&quot;.</source>
        <translation>请先在表格中选择要确认的区域，或使用“全部确认”。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>%1 (ID %2) has no alarm to acknowledge.</source>
        <translation>%1（编号 %2）没有需要确认的报警。</translation>
    </message>
    <message>
        <source>Log in to acknowledge the alarm.</source>
        <translation>请登录后确认报警。</translation>
    </message>
    <message>
        <source>Log in to acknowledge the alarms.</source>
        <translation>请登录后确认全部报警。</translation>
    </message>
    <message>
        <source>Log in to mute the alarm sound.</source>
        <translation>请登录后关闭报警声音。</translation>
    </message>
    <message>
        <source>Shelve</source>
        <translation>搁置</translation>
    </message>
    <message>
        <source>Take the selected region&apos;s alarm out of service for a while, or put a shelved one back</source>
        <translation>暂时停用所选区域的报警，或恢复已搁置的报警</translation>
    </message>
    <message>
        <source>Unshelve</source>
        <translation>解除搁置</translation>
    </message>
    <message>
        <source>Shelve...</source>
        <translation>搁置...</translation>
    </message>
    <message>
        <source>Select the region to shelve in the table first.</source>
        <translation>请先在表格中选择要搁置的区域。</translation>
    </message>
    <message>
        <source>Log in as an officer to put the alarm back in service.</source>
        <translation>请以负责人身份登录以恢复报警。</translation>
    </message>
    <message>
        <source>Put the alarm of %1 back in service (shelved until %2)?</source>
        <translation>恢复 %1 的报警（搁置至 %2）？</translation>
    </message>
    <message>
        <source>Log in as an officer to shelve the alarm.</source>
        <translation>请以负责人身份登录以搁置报警。</translation>
    </message>
    <message>
        <source>Take the alarm of %1 out of service: it is neither sounded nor journaled until then (8 hours at most).</source>
        <translation>停用 %1 的报警：在此之前既不鸣响也不记入日志（最长 8 小时）。</translation>
    </message>
    <message>
        <source>Not shelved: a reason and an end in the future are needed.</source>
        <translation>未搁置：需要填写原因和一个将来的结束时间。</translation>
    </message>
    <message>
        <source>Alarm flood: %1 alarms in 10 minutes</source>
        <translation>报警泛滥：10 分钟内 %1 次报警</translation>
    </message>
</context>
<context>
    <name>RFormSetting</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>node has Colision!</source>
        <translation>号节点冲突！</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Nothing was saved.</source>
        <translation>未保存任何内容。</translation>
    </message>
    <message>
        <source>The systeminfo has been modified.</source>
        <translation>系统信息已修改。</translation>
    </message>
    <message>
        <source>Current preset saved.</source>
        <translation>当前预设已保存。</translation>
    </message>
    <message>
        <source>The system settings have been changed!</source>
        <translation>系统设置已更改！</translation>
    </message>
    <message>
        <source>Click the &apos;Save&apos; button to apply.</source>
        <translation>点击“保存”按钮使其生效。</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Without Permission!</source>
        <translation>无权限！</translation>
    </message>
</context>
<context>
    <name>RFormStatus</name>
    <message>
        <source>Frame</source>
        <translation>状态栏</translation>
    </message>
    <message>
        <source>IoT_Cloud:</source>
        <translation>物联网云：</translation>
    </message>
    <message>
        <source>IoT_Cloud_2:</source>
        <translation>物联网云2：</translation>
    </message>
    <message>
        <source>Connecting to the host...</source>
        <translation>正在连接主机...</translation>
    </message>
    <message>
        <source>Connected !</source>
        <translation>已连接！</translation>
    </message>
    <message>
        <source>Sound muted</source>
        <translation>报警声已静音</translation>
    </message>
    <message>
        <source>Not connected: no server address is set</source>
        <translation>未连接：未设置服务器地址</translation>
    </message>
    <message>
        <source>Not connected: the server address is not valid</source>
        <translation>未连接：服务器地址无效</translation>
    </message>
    <message>
        <source>Not connected: server name not found</source>
        <translation>未连接：找不到服务器名称</translation>
    </message>
    <message>
        <source>Not connected: server name lookup failed</source>
        <translation>未连接：服务器名称解析失败</translation>
    </message>
    <message>
        <source>Not connected: connection refused</source>
        <translation>未连接：连接被拒绝</translation>
    </message>
    <message>
        <source>Not connected: connection timed out</source>
        <translation>未连接：连接超时</translation>
    </message>
    <message>
        <source>Not connected: closed by the server</source>
        <translation>未连接：服务器关闭了连接</translation>
    </message>
    <message>
        <source>Not connected: no data from the server</source>
        <translation>未连接：服务器无数据</translation>
    </message>
    <message>
        <source>No sound device: alarms are not heard</source>
        <translation>没有声音设备：报警不会发声</translation>
    </message>
    <message>
        <source>Link to the data server lost at %1: no readings and no alarms arrive</source>
        <translation>与数据服务器的连接于 %1 中断：收不到读数，也收不到报警</translation>
    </message>
    <message numerus="yes">
        <source>Modbus TCP: %n client(s) connected</source>
        <translation>
            <numerusform>Modbus TCP：已连接 %n 个客户端</numerusform>
        </translation>
    </message>
    <message>
        <source>MQTT: connected</source>
        <translation>MQTT：已连接</translation>
    </message>
    <message>
        <source>MQTT: %1</source>
        <translation>MQTT：%1</translation>
    </message>
    <message>
        <source>Plant interface: %1</source>
        <translation>工厂接口：%1</translation>
    </message>
    <message>
        <source>Notifications: %1</source>
        <translation>通知：%1</translation>
    </message>
    <message>
        <source>Connected to the standby server !</source>
        <translation>已连接到备用服务器！</translation>
    </message>
    <message>
        <source>Standby server: ready</source>
        <translation>备用服务器：就绪</translation>
    </message>
    <message>
        <source>Standby server: not reachable</source>
        <translation>备用服务器：无法连接</translation>
    </message>
    <message>
        <source>Standby server in use; the main server is back, returning once it is healthy</source>
        <translation>正在使用备用服务器；主服务器已恢复，稳定后切回</translation>
    </message>
    <message>
        <source>Standby server in use; the main server is not reachable</source>
        <translation>正在使用备用服务器；主服务器无法连接</translation>
    </message>
    <message>
        <source>Not connected: no reading in the server&apos;s data</source>
        <translation>未连接：服务器数据中没有读数</translation>
    </message>
</context>
<context>
    <name>RFrameAccounts</name>
    <message>
        <source>Administrator</source>
        <translation>管理员</translation>
    </message>
    <message>
        <source>Radiation protection officer</source>
        <translation>辐射防护负责人</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Accounts</source>
        <translation>账户管理</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Grade</source>
        <translation>级别</translation>
    </message>
    <message>
        <source>Created</source>
        <translation>创建时间</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>添加…</translation>
    </message>
    <message>
        <source>Change grade...</source>
        <translation>更改级别…</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>停用</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Reset password...</source>
        <translation>重置密码…</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>已停用</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>已启用</translation>
    </message>
    <message>
        <source>The two passwords differ.</source>
        <translation>两次输入的密码不一致。</translation>
    </message>
    <message>
        <source>A password needs %1 to %2 characters.</source>
        <translation>密码长度须为 %1 到 %2 个字符。</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>An account named %1 exists already.</source>
        <translation>名为 %1 的账户已存在。</translation>
    </message>
    <message>
        <source>There is no account %1 any more.</source>
        <translation>账户 %1 已不存在。</translation>
    </message>
    <message>
        <source>%1 is the last enabled administrator: the site would have none left.</source>
        <translation>%1 是最后一个启用的管理员：此操作会使系统没有管理员。</translation>
    </message>
    <message>
        <source>The change to %1 could not be stored.</source>
        <translation>对 %1 的更改无法保存。</translation>
    </message>
    <message>
        <source>An account needs a name.</source>
        <translation>账户必须有用户名。</translation>
    </message>
    <message>
        <source>Account %1 added.</source>
        <translation>已添加账户 %1。</translation>
    </message>
    <message>
        <source>The grade of %1:</source>
        <translation>%1 的级别：</translation>
    </message>
    <message>
        <source>%1 is now: %2.</source>
        <translation>%1 现在是：%2。</translation>
    </message>
    <message>
        <source>Disable the account %1?</source>
        <translation>停用账户 %1？</translation>
    </message>
    <message>
        <source>It can no longer log in; its rows in the audit trail stay.</source>
        <translation>该账户将无法登录；其审计记录保留。</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Account %1 disabled.</source>
        <translation>已停用账户 %1。</translation>
    </message>
    <message>
        <source>Account %1 enabled.</source>
        <translation>已启用账户 %1。</translation>
    </message>
    <message>
        <source>A new password for %1</source>
        <translation>为 %1 设置新密码</translation>
    </message>
    <message>
        <source>The password of %1 is reset.</source>
        <translation>%1 的密码已重置。</translation>
    </message>
    <message>
        <source>An account named %1 exists already (names are the same whatever their case).</source>
        <translation>名为 %1 的账户已存在（名称不区分大小写）。</translation>
    </message>
    <message>
        <source>The name is not acceptable: at most %1 characters, no control characters (%2).</source>
        <translation>名称不可接受：最多 %1 个字符，不含控制字符（%2）。</translation>
    </message>
</context>
<context>
    <name>RFrameAudit</name>
    <message>
        <source>log in</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>log out</source>
        <translation>注销</translation>
    </message>
    <message>
        <source>login failed</source>
        <translation>登录失败</translation>
    </message>
    <message>
        <source>name locked</source>
        <translation>用户名已锁定</translation>
    </message>
    <message>
        <source>alarm acknowledged</source>
        <translation>确认报警</translation>
    </message>
    <message>
        <source>alarm sound muted</source>
        <translation>报警静音</translation>
    </message>
    <message>
        <source>threshold changed</source>
        <translation>修改阈值</translation>
    </message>
    <message>
        <source>device added</source>
        <translation>添加设备</translation>
    </message>
    <message>
        <source>device removed</source>
        <translation>删除设备</translation>
    </message>
    <message>
        <source>device renamed</source>
        <translation>设备改名</translation>
    </message>
    <message>
        <source>history deleted</source>
        <translation>删除历史数据</translation>
    </message>
    <message>
        <source>setting changed</source>
        <translation>修改设置</translation>
    </message>
    <message>
        <source>day deleted</source>
        <translation>删除单日数据</translation>
    </message>
    <message>
        <source>account added</source>
        <translation>添加账户</translation>
    </message>
    <message>
        <source>account disabled</source>
        <translation>停用账户</translation>
    </message>
    <message>
        <source>password reset</source>
        <translation>重置密码</translation>
    </message>
    <message>
        <source>grade changed</source>
        <translation>更改级别</translation>
    </message>
    <message>
        <source>account enabled</source>
        <translation>启用账户</translation>
    </message>
    <message>
        <source>Audit trail</source>
        <translation>审计记录</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>导出 CSV</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>校验</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>账户</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>Object</source>
        <translation>对象</translation>
    </message>
    <message>
        <source>Old value</source>
        <translation>原值</translation>
    </message>
    <message>
        <source>New value</source>
        <translation>新值</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>从：</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>到：</translation>
    </message>
    <message>
        <source>Account:</source>
        <translation>账户：</translation>
    </message>
    <message>
        <source>Action:</source>
        <translation>操作：</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Exported to %1</source>
        <translation>已导出到 %1</translation>
    </message>
    <message>
        <source>The audit trail could not be exported: %1</source>
        <translation>审计记录无法导出：%1</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>wrong password</source>
        <translation>密码错误</translation>
    </message>
    <message>
        <source>no such account</source>
        <translation>无此账户</translation>
    </message>
    <message>
        <source>(unknown name)</source>
        <translation>（未知用户名）</translation>
    </message>
    <message>
        <source>locked</source>
        <translation>已锁定</translation>
    </message>
    <message>
        <source>idle</source>
        <translation>闲置超时</translation>
    </message>
    <message>
        <source>enabled</source>
        <translation>已启用</translation>
    </message>
    <message>
        <source>disabled</source>
        <translation>已停用</translation>
    </message>
    <message>
        <source>all regions</source>
        <translation>全部区域</translation>
    </message>
    <message>
        <source>region %1</source>
        <translation>区域 %1</translation>
    </message>
    <message>
        <source>%1 rows</source>
        <translation>%1 行</translation>
    </message>
    <message>
        <source>%1 failed logins</source>
        <translation>%1 次登录失败</translation>
    </message>
    <message>
        <source>alarm delays changed</source>
        <translation>报警延时已更改</translation>
    </message>
    <message>
        <source>alarm shelved</source>
        <translation>报警已搁置</translation>
    </message>
    <message>
        <source>alarm unshelved</source>
        <translation>报警已恢复</translation>
    </message>
    <message>
        <source>rows missing from the trail</source>
        <translation>审计记录缺少行</translation>
    </message>
</context>
<context>
    <name>RFramePresetIp</name>
    <message>
        <source>System Settings</source>
        <translation>系统设置</translation>
    </message>
</context>
<context>
    <name>RFramePresetIpWidget</name>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Threshold A:</source>
        <translation>阈值 A：</translation>
    </message>
    <message>
        <source>Threshold B:</source>
        <translation>阈值 B：</translation>
    </message>
    <message>
        <source>Threshold C:</source>
        <translation>阈值 C：</translation>
    </message>
    <message>
        <source>Detector Parameter A:</source>
        <translation>探测器参数 A：</translation>
    </message>
    <message>
        <source>Detector Parameter B:</source>
        <translation>探测器参数 B：</translation>
    </message>
    <message>
        <source>The port must be between 1 and 65535.</source>
        <translation>端口必须在 1 到 65535 之间。</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>设置未能保存：%1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not an IPv4 address or a host name.</source>
        <translation>“%1”不是 IPv4 地址或主机名。</translation>
    </message>
    <message>
        <source>The server address is empty.</source>
        <translation>服务器地址为空。</translation>
    </message>
    <message>
        <source> months</source>
        <translation> 个月</translation>
    </message>
    <message>
        <source>Older 2-second readings move to one file per month in the folder &quot;archive&quot;.</source>
        <translation>更早的 2 秒读数按月移入“archive”文件夹中的单独文件。</translation>
    </message>
    <message>
        <source>2-second readings kept in the main file:</source>
        <translation>主文件中保留 2 秒读数：</translation>
    </message>
    <message>
        <source> min</source>
        <translation> 分钟</translation>
    </message>
    <message>
        <source>Log out after no input for:</source>
        <translation>无操作自动注销时间：</translation>
    </message>
    <message>
        <source>The levels must rise: 0 &lt; A &lt; B &lt; C (now A %1, B %2, C %3).</source>
        <translation>分级阈值必须递增：0 &lt; A &lt; B &lt; C（现为 A %1，B %2，C %3）。</translation>
    </message>
    <message>
        <source>Site database</source>
        <translation>站点数据库</translation>
    </message>
    <message>
        <source>Web view</source>
        <translation>网页视图</translation>
    </message>
    <message>
        <source>Notifications</source>
        <translation>通知</translation>
    </message>
    <message>
        <source>Standby server:</source>
        <translation>备用服务器：</translation>
    </message>
    <message>
        <source>Standby port:</source>
        <translation>备用端口：</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>A second data server the link moves to when the first one fails; empty for none.</source>
        <translation>主服务器故障时链路切换到的第二台数据服务器；留空表示没有。</translation>
    </message>
    <message>
        <source>Standby server: %1</source>
        <translation>备用服务器：%1</translation>
    </message>
    <message>
        <source>The standby server&apos;s port must be between 1 and 65535.</source>
        <translation>备用服务器的端口必须在 1 到 65535 之间。</translation>
    </message>
    <message>
        <source>The standby server must not be the main one.</source>
        <translation>备用服务器不能与主服务器相同。</translation>
    </message>
</context>
<context>
    <name>RFramePresetRegion</name>
    <message>
        <source>Device Management</source>
        <translation>设备管理</translation>
    </message>
    <message>
        <source>Inspection room</source>
        <translation>巡检房间</translation>
    </message>
    <message>
        <source>The stored history of ID %1 will be deleted.</source>
        <translation>编号 %1 已存储的历史数据将被删除。</translation>
    </message>
    <message>
        <source>Do you want to remove these devices and delete their history?</source>
        <translation>确定要移除这些设备并删除其历史数据吗？</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>RFramePresetRegionWidget</name>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>设备列表</translation>
    </message>
</context>
<context>
    <name>RInstrumentPanel</name>
    <message>
        <source>Record calibration...</source>
        <translation>记录校准...</translation>
    </message>
    <message>
        <source>Record function test...</source>
        <translation>记录功能测试...</translation>
    </message>
    <message>
        <source>Add note...</source>
        <translation>添加备注...</translation>
    </message>
    <message>
        <source>Take out of service...</source>
        <translation>停用维护...</translation>
    </message>
    <message>
        <source>Register of the year...</source>
        <translation>年度登记册...</translation>
    </message>
    <message>
        <source>When</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>详情</translation>
    </message>
    <message>
        <source>By</source>
        <translation>操作人</translation>
    </message>
    <message>
        <source>Return to service...</source>
        <translation>恢复使用...</translation>
    </message>
    <message>
        <source>ID %1: records once the device is applied</source>
        <translation>编号 %1：设备应用后方可记录</translation>
    </message>
    <message>
        <source>Choose a device for its instrument records</source>
        <translation>请选择设备以查看其仪表记录</translation>
    </message>
    <message>
        <source>Out of service since %1 by %2: %3</source>
        <translation>自 %1 起由 %2 停用维护：%3</translation>
    </message>
    <message>
        <source>In service</source>
        <translation>在用</translation>
    </message>
    <message>
        <source>%1 failed on %2: due again now</source>
        <translation>%1 于 %2 未通过：现已到期</translation>
    </message>
    <message numerus="yes">
        <source>%1 overdue since %2 (%n day(s))</source>
        <translation>
            <numerusform>%1 自 %2 起逾期（%n 天）</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 due %2 (in %n day(s))</source>
        <translation>
            <numerusform>%1 于 %2 到期（还有 %n 天）</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 due %2</source>
        <translation>%1 于 %2 到期</translation>
    </message>
    <message>
        <source>No calibration or function test recorded yet</source>
        <translation>尚无校准或功能测试记录</translation>
    </message>
    <message>
        <source>factor %1, certificate %2, %3, next due %4</source>
        <translation>因子 %1，证书 %2，%3，下次到期 %4</translation>
    </message>
    <message>
        <source>; coefficient %1 → %2</source>
        <translation>；系数 %1 → %2</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>校准</translation>
    </message>
    <message>
        <source>Alarm test</source>
        <translation>报警测试</translation>
    </message>
    <message>
        <source>Check-source test</source>
        <translation>检验源测试</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Out of service</source>
        <translation>停用维护</translation>
    </message>
    <message>
        <source>Back in service</source>
        <translation>恢复使用</translation>
    </message>
    <message>
        <source>Log in first.</source>
        <translation>请先登录。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Your account may not change the instrument records.</source>
        <translation>您的账户无权修改仪表记录。</translation>
    </message>
    <message>
        <source>Not recorded: check the dates (not in the future, the next due after the date), the factor and the certificate number.</source>
        <translation>未记录：请检查日期（不得晚于今天，下次到期须晚于该日期）、因子和证书编号。</translation>
    </message>
    <message>
        <source>A note on %1</source>
        <translation>关于 %1 的备注</translation>
    </message>
    <message>
        <source>Return %1 to service: it alarms again, at once if over its threshold.</source>
        <translation>恢复 %1 使用：它将重新报警，若超过阈值则立即报警。</translation>
    </message>
    <message>
        <source>Take %1 out of service: it raises no alarm until it is returned.</source>
        <translation>停用维护 %1：在恢复使用之前它不会报警。</translation>
    </message>
    <message>
        <source>Instrument register</source>
        <translation>仪表登记册</translation>
    </message>
    <message>
        <source>Workbooks (*.xlsx)</source>
        <translation>工作簿 (*.xlsx)</translation>
    </message>
    <message>
        <source>the file could not be written</source>
        <translation>文件无法写入</translation>
    </message>
    <message>
        <source>The register was not written: %1</source>
        <translation>登记册未写入：%1</translation>
    </message>
    <message>
        <source>Instrument records of %1</source>
        <translation>%1 的仪表记录</translation>
    </message>
    <message>
        <source>pass, %1 µRad/h seen, next due %2</source>
        <translation>通过，读数 %1 µRad/h，下次到期 %2</translation>
    </message>
    <message>
        <source>FAIL, %1 µRad/h seen: due again now</source>
        <translation>未通过，读数 %1 µRad/h：现已再次到期</translation>
    </message>
    <message>
        <source>The register of %1 is written to %2.</source>
        <translation>%1 年登记册已写入 %2。</translation>
    </message>
</context>
<context>
    <name>RInstrumentStore</name>
    <message>
        <source>calibration</source>
        <translation>校准</translation>
    </message>
    <message>
        <source>check-source test</source>
        <translation>检验源测试</translation>
    </message>
    <message>
        <source>alarm test</source>
        <translation>报警测试</translation>
    </message>
</context>
<context>
    <name>RInstrumentWatch</name>
    <message>
        <source>%1 of %2 failed on %3</source>
        <translation>%2 的%1于 %3 未通过</translation>
    </message>
    <message>
        <source>%1 of %2 due %3</source>
        <translation>%2 的%1于 %3 到期</translation>
    </message>
    <message>
        <source>Instruments overdue: %1</source>
        <translation>仪表逾期：%1</translation>
    </message>
</context>
<context>
    <name>RItemModelPresetPersonal</name>
    <message>
        <source>Manufacturing number</source>
        <translation>出厂编号</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>Gender</source>
        <translation>性别</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>职务</translation>
    </message>
    <message>
        <source>The staff lists cannot be changed here.</source>
        <translation>人员名单不能在此修改。</translation>
    </message>
</context>
<context>
    <name>RItemModelPresetRegion</name>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Row %1: the location must have 1 to %2 characters.</source>
        <translation>第 %1 行：位置须为 1 到 %2 个字符。</translation>
    </message>
    <message>
        <source>Row %1: the ID must be between 0 and %2.</source>
        <translation>第 %1 行：编号必须在 0 到 %2 之间。</translation>
    </message>
    <message>
        <source>The device list could not be saved: %1</source>
        <translation>设备列表未能保存：%1</translation>
    </message>
</context>
<context>
    <name>RNotifier</name>
    <message>
        <source>ALARM %1: %2 µRad/h</source>
        <translation>报警 %1：%2 µRad/h</translation>
    </message>
    <message>
        <source>Acknowledged %1 by %2</source>
        <translation>%1 已由 %2 确认</translation>
    </message>
    <message>
        <source>Shelved %1 by %2</source>
        <translation>%1 已由 %2 搁置</translation>
    </message>
    <message>
        <source>The alarm of %1 raised at %2 was acknowledged by %3 at %4.
</source>
        <translation>%1 于 %2 产生的报警已由 %3 于 %4 确认。
</translation>
    </message>
    <message>
        <source>The alarm of %1 raised at %2 was shelved by %3 at %4.
</source>
        <translation>%1 于 %2 产生的报警已由 %3 于 %4 搁置。
</translation>
    </message>
    <message>
        <source>Data server link back</source>
        <translation>数据服务器连接已恢复</translation>
    </message>
    <message>
        <source>The link to the data server is back at %1 (lost at %2).
</source>
        <translation>与数据服务器的连接已于 %1 恢复（于 %2 中断）。
</translation>
    </message>
    <message>
        <source>ALARM FLOOD: %1 alarms</source>
        <translation>报警泛滥：%1 个报警</translation>
    </message>
    <message>
        <source>An alarm flood began at %1: %2 new alarms within 10 minutes.

%3</source>
        <translation>报警泛滥始于 %1：10 分钟内新增 %2 个报警。

%3</translation>
    </message>
    <message>
        <source>Alarm flood over</source>
        <translation>报警泛滥已结束</translation>
    </message>
    <message>
        <source>The alarm flood ended at %1.

%2</source>
        <translation>报警泛滥于 %1 结束。

%2</translation>
    </message>
    <message>
        <source>Station back after a crash</source>
        <translation>监测站在崩溃后恢复运行</translation>
    </message>
    <message>
        <source>Station back after a stop</source>
        <translation>监测站在停止后恢复运行</translation>
    </message>
    <message>
        <source>The station is running again since %1. It was down from %2, for %3 minutes%4.
</source>
        <translation>监测站自 %1 起重新运行。停机自 %2 起，共 %3 分钟%4。
</translation>
    </message>
    <message>
        <source> (it had crashed; readings of that time are lost)</source>
        <translation>（曾崩溃；该期间的读数已丢失）</translation>
    </message>
    <message>
        <source>Not mailed one by one:
</source>
        <translation>未逐条发送的通知：
</translation>
    </message>
    <message>
        <source>Storage fault</source>
        <translation>存储故障</translation>
    </message>
    <message>
        <source>The station cannot store its readings since %1: %2
</source>
        <translation>监测站自 %1 起无法存储读数：%2
</translation>
    </message>
    <message>
        <source>NOT ACKNOWLEDGED %1</source>
        <translation>未确认 %1</translation>
    </message>
    <message>
        <source>The alarm of %1 raised at %2 has not been acknowledged for %3 minutes.
</source>
        <translation>%1 于 %2 产生的报警已 %3 分钟未确认。
</translation>
    </message>
    <message>
        <source>Data server link lost</source>
        <translation>数据服务器连接中断</translation>
    </message>
    <message>
        <source>The link to the data server has been lost since %1: no reading reaches the station.
</source>
        <translation>与数据服务器的连接自 %1 起中断：监测站收不到任何读数。
</translation>
    </message>
    <message>
        <source>ALARM FLOOD goes on: %1 alarms</source>
        <translation>报警泛滥持续：%1 个报警</translation>
    </message>
    <message>
        <source>The alarm flood goes on at %1.

%2</source>
        <translation>报警泛滥在 %1 仍在持续。

%2</translation>
    </message>
    <message>
        <source>%1 notifications held back</source>
        <translation>%1 条通知被暂缓</translation>
    </message>
    <message>
        <source>More than %1 mails in an hour: these were not sent one by one.

%2
</source>
        <translation>一小时内超过 %1 封邮件：以下通知未逐条发送。

%2
</translation>
    </message>
    <message>
        <source>[late] %1</source>
        <translation>[迟发] %1</translation>
    </message>
    <message>
        <source>Sent late: this happened at %1.

</source>
        <translation>迟发：此事发生于 %1。

</translation>
    </message>
    <message>
        <source>mail cannot be sent: %1</source>
        <translation>邮件无法发送：%1</translation>
    </message>
    <message>
        <source>%1

Region: %2
Dose rate: %3 µRad/h
Threshold: %4 µRad/h
Time: %5
State: in alarm, not acknowledged
</source>
        <translation>%1

区域：%2
剂量率：%3 µRad/h
阈值：%4 µRad/h
时间：%5
状态：报警中，未确认
</translation>
    </message>
    <message>
        <source>Alarm raised again after its acknowledgement.</source>
        <translation>报警在确认后再次产生。</translation>
    </message>
    <message>
        <source>Alarm raised.</source>
        <translation>报警产生。</translation>
    </message>
    <message>
        <source>OVERDUE %1: %2</source>
        <translation>逾期 %1：%2</translation>
    </message>
    <message>
        <source>ALARM %1 (held back)</source>
        <translation>报警 %1（曾暂缓）</translation>
    </message>
    <message>
        <source>The alarm of %1 raised at %2 is not acknowledged. Its mail was held back, as a region is mailed at most every %3 minutes.
</source>
        <translation>%1 于 %2 产生的报警尚未确认。其邮件曾被暂缓，因为每个区域至多每 %3 分钟发送一次邮件。
</translation>
    </message>
    <message>
        <source>The %1 of %2 failed on %3: it is due again now.
</source>
        <translation>%2 的%1于 %3 未通过：现已再次到期。
</translation>
    </message>
    <message>
        <source>The %1 of %2 is overdue: it was due on %3 (%4 day(s) overdue).
</source>
        <translation>%2 的%1已逾期：原定于 %3 到期（已逾期 %4 天）。
</translation>
    </message>
</context>
<context>
    <name>RNotifyPost</name>
    <message>
        <source>Test mail from the station</source>
        <translation>监测站测试邮件</translation>
    </message>
    <message>
        <source>This is a test of the station&apos;s mail notifications, sent at %1.
</source>
        <translation>这是监测站邮件通知的测试，发送于 %1。
</translation>
    </message>
</context>
<context>
    <name>RNotifySettingsWidget</name>
    <message>
        <source>Send mail notifications</source>
        <translation>发送邮件通知</translation>
    </message>
    <message>
        <source> min</source>
        <translation> 分钟</translation>
    </message>
    <message>
        <source> s</source>
        <translation> 秒</translation>
    </message>
    <message>
        <source>None (this machine)</source>
        <translation>无（本机）</translation>
    </message>
    <message>
        <source>STARTTLS</source>
        <translation>STARTTLS</translation>
    </message>
    <message>
        <source>SMTPS</source>
        <translation>SMTPS</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>不变</translation>
    </message>
    <message>
        <source>the system&apos;s</source>
        <translation>系统默认</translation>
    </message>
    <message>
        <source>addresses, separated by commas</source>
        <translation>地址，以逗号分隔</translation>
    </message>
    <message>
        <source>The hours the list covers, from-to (0-24: all day).</source>
        <translation>该名单负责的时段，起-止（0-24：全天）。</translation>
    </message>
    <message>
        <source>Send a test mail</source>
        <translation>发送测试邮件</translation>
    </message>
    <message>
        <source>Mail server:</source>
        <translation>邮件服务器：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Encryption:</source>
        <translation>加密：</translation>
    </message>
    <message>
        <source>Sender:</source>
        <translation>发件人：</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>用户：</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>CA file (TLS):</source>
        <translation>CA 文件（TLS）：</translation>
    </message>
    <message>
        <source>On call:</source>
        <translation>值班人员：</translation>
    </message>
    <message>
        <source>Hours:</source>
        <translation>时段：</translation>
    </message>
    <message>
        <source>Then the officers:</source>
        <translation>其次，负责人：</translation>
    </message>
    <message>
        <source>Then, last:</source>
        <translation>最后：</translation>
    </message>
    <message>
        <source>Escalate after:</source>
        <translation>升级通知间隔：</translation>
    </message>
    <message>
        <source>Link lost for:</source>
        <translation>连接中断超过：</translation>
    </message>
    <message>
        <source>A region at most every:</source>
        <translation>每区域最多每隔：</translation>
    </message>
    <message>
        <source>Flood summary every:</source>
        <translation>泛滥汇总间隔：</translation>
    </message>
    <message>
        <source>Mails an hour at most:</source>
        <translation>每小时最多邮件数：</translation>
    </message>
    <message>
        <source>The server took the test mail: %1</source>
        <translation>服务器已接收测试邮件：%1</translation>
    </message>
    <message>
        <source>The test mail was not sent: %1</source>
        <translation>测试邮件未发送：%1</translation>
    </message>
    <message>
        <source>Mail notifications: %1.</source>
        <translation>邮件通知：%1。</translation>
    </message>
    <message>
        <source>The password file %1 could not be written: %2</source>
        <translation>无法写入密码文件 %1：%2</translation>
    </message>
    <message>
        <source>Sending to %1…</source>
        <translation>正在发送至 %1…</translation>
    </message>
</context>
<context>
    <name>RPlantSettingsWidget</name>
    <message>
        <source>Serve the Modbus TCP map (read-only)</source>
        <translation>提供 Modbus TCP 寄存器表（只读）</translation>
    </message>
    <message>
        <source>Publish to an MQTT broker</source>
        <translation>发布到 MQTT 代理服务器</translation>
    </message>
    <message>
        <source>any</source>
        <translation>任意</translation>
    </message>
    <message>
        <source>Client addresses that may connect, separated by commas.</source>
        <translation>允许连接的客户端地址，以逗号分隔。</translation>
    </message>
    <message>
        <source>Low word first</source>
        <translation>低字在前</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>不变</translation>
    </message>
    <message>
        <source>none: no TLS</source>
        <translation>无：不使用 TLS</translation>
    </message>
    <message>
        <source>Listen on:</source>
        <translation>监听地址：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Allowed clients:</source>
        <translation>允许的客户端：</translation>
    </message>
    <message>
        <source>Regions&apos; first register:</source>
        <translation>区域起始寄存器：</translation>
    </message>
    <message>
        <source>Floats:</source>
        <translation>浮点数：</translation>
    </message>
    <message>
        <source>Broker:</source>
        <translation>代理服务器：</translation>
    </message>
    <message>
        <source>Client id:</source>
        <translation>客户端标识：</translation>
    </message>
    <message>
        <source>Site in topics:</source>
        <translation>主题中的站点名：</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>用户：</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>CA file (TLS):</source>
        <translation>CA 文件（TLS）：</translation>
    </message>
    <message>
        <source>Modbus TCP</source>
        <translation>Modbus TCP</translation>
    </message>
    <message>
        <source>MQTT</source>
        <translation>MQTT</translation>
    </message>
    <message>
        <source>MQTT: %1.</source>
        <translation>MQTT：%1。</translation>
    </message>
    <message>
        <source>Modbus TCP: %1.</source>
        <translation>Modbus TCP：%1。</translation>
    </message>
    <message>
        <source>The password file %1 could not be written: %2</source>
        <translation>无法写入密码文件 %1：%2</translation>
    </message>
</context>
<context>
    <name>RPresetAlarmThreshold</name>
    <message>
        <source>Alarm Threshold Setting</source>
        <translation>报警阈值设置</translation>
    </message>
</context>
<context>
    <name>RPresetAlarmThresholdWidget</name>
    <message>
        <source>Set</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Alarm Threshold:</source>
        <translation>报警阈值：</translation>
    </message>
    <message>
        <source>Parameters:</source>
        <translation>参数：</translation>
    </message>
    <message>
        <source>SetAll:</source>
        <translation>全部设置：</translation>
    </message>
    <message>
        <source>No region is registered.</source>
        <translation>尚未登记任何区域。</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>AlarmDose(</source>
        <translation>报警阈值(</translation>
    </message>
    <message>
        <source>A threshold of %1 is above the top of the range (%2): the alarm would never be raised.</source>
        <translation>阈值 %1 超出量程上限（%2）：将永远不会触发报警。</translation>
    </message>
    <message>
        <source>Alarm filter:</source>
        <translation>报警过滤：</translation>
    </message>
    <message>
        <source>Filter of all:</source>
        <translation>全部过滤：</translation>
    </message>
    <message>
        <source>On-delay: readings in a row at or above the threshold before the alarm is raised. Deadband: a raised alarm clears only below the threshold less this percentage. Off-delay: readings in a row below that before the alarm clears.</source>
        <translation>报警延时：连续多少个读数达到或超过阈值才触发报警。死区：已触发的报警只有低于阈值减去该百分比才解除。解除延时：连续多少个读数低于该值才解除报警。</translation>
    </message>
    <message>
        <source>On-delay</source>
        <translation>报警延时</translation>
    </message>
    <message>
        <source>Deadband</source>
        <translation>死区</translation>
    </message>
    <message>
        <source>Off-delay</source>
        <translation>解除延时</translation>
    </message>
    <message>
        <source>The alarm filter could not be stored.</source>
        <translation>报警过滤设置无法保存。</translation>
    </message>
    <message>
        <source>%1 is set as %2: the devices take hundreds</source>
        <translation>%1 将设为 %2：设备以百为单位</translation>
    </message>
    <message>
        <source>A threshold cannot be negative (%1).</source>
        <translation>阈值不能为负数（%1）。</translation>
    </message>
    <message>
        <source>A threshold of 0 would never raise the alarm.</source>
        <translation>阈值为 0 时永远不会报警。</translation>
    </message>
    <message>
        <source>%1 is set as 0 (the devices take hundreds), which would never raise the alarm: enter 50 or more.</source>
        <translation>%1 将设为 0（设备以百为单位），永远不会报警：请输入 50 或以上。</translation>
    </message>
    <message>
        <source>the alarm filter of region %1</source>
        <translation>区域 %1 的报警过滤</translation>
    </message>
    <message>
        <source>the alarm filter of all regions</source>
        <translation>所有区域的报警过滤</translation>
    </message>
</context>
<context>
    <name>RRegionDoseModel</name>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Show Curve</source>
        <translation>显示曲线</translation>
    </message>
    <message>
        <source>Curve Color</source>
        <translation>曲线颜色</translation>
    </message>
    <message>
        <source>No link to the data server: the value is not current</source>
        <translation>与数据服务器的连接中断：该数值不是当前值</translation>
    </message>
    <message>
        <source>Off line: no reading from this monitor</source>
        <translation>离线：收不到该监测仪的读数</translation>
    </message>
    <message>
        <source>On line: readings arrive</source>
        <translation>在线：读数正常到达</translation>
    </message>
    <message>
        <source>Alarm, not acknowledged</source>
        <translation>报警，未确认</translation>
    </message>
    <message>
        <source>No alarm</source>
        <translation>无报警</translation>
    </message>
    <message>
        <source>Alarm, acknowledged</source>
        <translation>报警，已确认</translation>
    </message>
    <message>
        <source>No reading yet</source>
        <translation>尚无读数</translation>
    </message>
    <message>
        <source>No alarm threshold and no curve colour are stored for this region: it never alarms.</source>
        <translation>该区域没有存储报警阈值和曲线颜色：它永远不会报警。</translation>
    </message>
    <message>
        <source>The stored alarm threshold is %1: this region never alarms.</source>
        <translation>存储的报警阈值为 %1：该区域永远不会报警。</translation>
    </message>
    <message>
        <source>This region is registered again at position %1; that entry is ignored.</source>
        <translation>该区域在位置 %1 处重复登记；该条目被忽略。</translation>
    </message>
    <message>
        <source>Region %1 is registered at the same position and is not shown.</source>
        <translation>区域 %1 登记在同一位置，未予显示。</translation>
    </message>
    <message>
        <source>no data</source>
        <translation>无数据</translation>
    </message>
    <message>
        <source>Alarm over, not acknowledged</source>
        <translation>报警已解除，未确认</translation>
    </message>
    <message>
        <source>H*(10) µRad/h</source>
        <translation>H*(10) 剂量率 µRad/h</translation>
    </message>
    <message>
        <source>Shelved until %1 by %2: %3</source>
        <translation>已由 %2 搁置至 %1：%3</translation>
    </message>
    <message>
        <source>Alarm, chattering, not acknowledged</source>
        <translation>报警，频繁报警中，未确认</translation>
    </message>
    <message>
        <source>Alarm, chattering, acknowledged</source>
        <translation>报警，频繁报警中，已确认</translation>
    </message>
    <message>
        <source>Out of service</source>
        <translation>停用维护</translation>
    </message>
    <message>
        <source>Out of service: silence is expected</source>
        <translation>停用维护：无读数属正常</translation>
    </message>
    <message>
        <source>Out of service since %1 by %2: %3</source>
        <translation>自 %1 起由 %2 停用维护：%3</translation>
    </message>
</context>
<context>
    <name>RRegionPic</name>
    <message>
        <source>Regional figure</source>
        <translation>区域图</translation>
    </message>
    <message>
        <source>The first layer</source>
        <translation>第一层</translation>
    </message>
    <message>
        <source>The second  layer</source>
        <translation>第二层</translation>
    </message>
    <message>
        <source>The third  layer</source>
        <translation>第三层</translation>
    </message>
    <message>
        <source>The fourth layer</source>
        <translation>第四层</translation>
    </message>
</context>
<context>
    <name>RSeekItems</name>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>RSiteDbSettingsWidget</name>
    <message>
        <source>Site database (PostgreSQL)</source>
        <translation>站点数据库（PostgreSQL）</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>不变</translation>
    </message>
    <message>
        <source>Site name:</source>
        <translation>站点名称：</translation>
    </message>
    <message>
        <source>TLS mode:</source>
        <translation>TLS 模式：</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>服务器：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Database:</source>
        <translation>数据库：</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>用户：</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>Site database: %1.</source>
        <translation>站点数据库：%1。</translation>
    </message>
    <message>
        <source>The password file %1 could not be written: %2</source>
        <translation>无法写入密码文件 %1：%2</translation>
    </message>
</context>
<context>
    <name>RSiteLink</name>
    <message numerus="yes">
        <source>site database: %n minutes behind</source>
        <translation>
            <numerusform>站点数据库：落后 %n 分钟</numerusform>
        </translation>
    </message>
    <message>
        <source>site database: nothing sent, %1</source>
        <translation>站点数据库：未发送，%1</translation>
    </message>
    <message numerus="yes">
        <source>site database: %n minutes behind, not reached (%1)</source>
        <translation>
            <numerusform>站点数据库：落后 %n 分钟，无法连接（%1）</numerusform>
        </translation>
    </message>
    <message>
        <source>site database: not reached (%1)</source>
        <translation>站点数据库：无法连接（%1）</translation>
    </message>
</context>
<context>
    <name>RStaffDoseDiagram</name>
    <message>
        <source>That month cumulative dose curve.</source>
        <translation>当月累积剂量曲线。</translation>
    </message>
    <message>
        <source>That month cumulative dose histogram.</source>
        <translation>当月累积剂量柱状图。</translation>
    </message>
    <message>
        <source>That day cumulative dose curve.</source>
        <translation>当日累积剂量曲线。</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>日</translation>
    </message>
    <message>
        <source>Reference line %1</source>
        <translation>参考线 %1</translation>
    </message>
    <message>
        <source>above</source>
        <translation>高于</translation>
    </message>
    <message>
        <source>at or below</source>
        <translation>不高于</translation>
    </message>
</context>
<context>
    <name>RStation</name>
    <message>
        <source>Another Kestal station runs on %1.</source>
        <translation>另一个 Kestal 站点正在使用 %1。</translation>
    </message>
    <message>
        <source>Audit trail</source>
        <translation>审计记录</translation>
    </message>
    <message>
        <source>The audit trail cannot be written: changes and logins are not recorded.
%1</source>
        <translation>审计记录无法写入：更改和登录不会被记录。
%1</translation>
    </message>
</context>
<context>
    <name>RStorageState</name>
    <message>
        <source>Database unavailable: %1. Readings are shown but not stored.</source>
        <translation>数据库不可用：%1。读数只显示而不存储。</translation>
    </message>
    <message>
        <source>Readings are not being stored: %1.</source>
        <translation>读数未被存储：%1。</translation>
    </message>
    <message>
        <source>%1 reading(s) could not be stored.</source>
        <translation>%1 条读数未能存储。</translation>
    </message>
    <message>
        <source>Retrying.</source>
        <translation>正在重试。</translation>
    </message>
    <message>
        <source>Database damaged: %1. Replace the file soon.</source>
        <translation>数据库已损坏：%1。请尽快更换文件。</translation>
    </message>
</context>
<context>
    <name>RWebSettingsWidget</name>
    <message>
        <source>Serve the read-only web view</source>
        <translation>提供只读网页视图</translation>
    </message>
    <message>
        <source>Listen on:</source>
        <translation>监听地址：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Web view: %1.</source>
        <translation>网页视图：%1。</translation>
    </message>
    <message>
        <source>PEM file; empty for plain HTTP</source>
        <translation>PEM 文件；留空则为普通 HTTP</translation>
    </message>
    <message>
        <source>PEM file, without a passphrase</source>
        <translation>PEM 文件，不带口令</translation>
    </message>
    <message>
        <source>HTTPS port:</source>
        <translation>HTTPS 端口：</translation>
    </message>
    <message>
        <source>Certificate:</source>
        <translation>证书：</translation>
    </message>
    <message>
        <source>Private key:</source>
        <translation>私钥：</translation>
    </message>
</context>
<context>
    <name>SFilterEdit</name>
    <message>
        <source>Clear text</source>
        <translation>清除文本</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>筛选</translation>
    </message>
</context>
<context>
    <name>SPrompt</name>
    <message>
        <source>Name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>New account</source>
        <translation>新账户</translation>
    </message>
    <message>
        <source>Grade</source>
        <translation>级别</translation>
    </message>
    <message>
        <source>Password again</source>
        <translation>再次输入密码</translation>
    </message>
    <message>
        <source>New password</source>
        <translation>新密码</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>Until</source>
        <translation>截止时间</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Calibration factor</source>
        <translation>校准因子</translation>
    </message>
    <message>
        <source>Certificate number</source>
        <translation>证书编号</translation>
    </message>
    <message>
        <source>Laboratory</source>
        <translation>实验室</translation>
    </message>
    <message>
        <source>Next due</source>
        <translation>下次到期</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>不变</translation>
    </message>
    <message>
        <source>The detector coefficient of this monitor from now on; &quot;unchanged&quot; keeps the conversion as it is.</source>
        <translation>此后该监测仪的探测器系数；“不变”保持现有换算。</translation>
    </message>
    <message>
        <source>New coefficient</source>
        <translation>新系数</translation>
    </message>
    <message>
        <source>Check source</source>
        <translation>检验源</translation>
    </message>
    <message>
        <source>Alarm test</source>
        <translation>报警测试</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Pass</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>未通过</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Value seen</source>
        <translation>读数</translation>
    </message>
</context>
</TS>
