delete from zk_auto_qqlist where A_QQ='12345'
insert into zk_auto_qqlist(A_Name,A_QQ) values('again','12345')
update zk_auto_qqlist set A_QQ='777' where A_Name='again'
update zk_auto_qqlist set A_last='zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz' where A_QQ='12345'